// A tuner dialog whose spectrum the test writes itself, and what one analysis pass left on the
// screen: the slider's position and the frames retained by the six string labels.
#pragma once

#include "TunerTesting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <ostream>
#include <stop_token>
#include <thread>
#include <vector>

namespace test_support
{

// One bin of a hand-made spectrum.
struct Bin
{
    UINT index;
    double magnitude;
};

// What the string labels show after a pass: the label framed (string 0 to 5) and its colour.
struct Frame
{
    int string;
    COLORREF color;
    bool operator==(const Frame&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Frame& frame)
{
    return os << "string " << frame.string << " colour 0x" << std::hex << frame.color << std::dec;
}

// Another thread running a body again and again until it goes.
class LoopingThread
{
public:
    explicit LoopingThread(std::function<void()> body)
        : m_thread(
              [this, body = std::move(body)](std::stop_token stop)
              {
                  while (!stop.stop_requested())
                  {
                      body();
                      m_passes.fetch_add(1);
                  }
              })
    {
    }

    long Passes() const { return m_passes.load(); }

private:
    std::atomic<long> m_passes{0};
    std::jthread m_thread; // last: it starts once the counter exists
};

// The dialog with spectrum arrays of its own, released before the dialog goes.
class SpectrumDialog
{
public:
    explicit SpectrumDialog(const std::vector<Tuning>& tunings = StandardTunings())
        : world({Card("Carte test")}, tunings)
    {
        created = dlg.Create(CQuintorDlg::IDD) != FALSE;
        length = dlg.m_WaveHdr.dwBufferLength;
        dlg.RealOut = new double[length]();
        dlg.ImagOut = new double[length]();
    }
    ~SpectrumDialog()
    {
        delete[] dlg.RealOut;
        delete[] dlg.ImagOut;
        dlg.RealOut = NULL;
        dlg.ImagOut = NULL;
        dlg.DestroyWindow();
    }
    SpectrumDialog(const SpectrumDialog&) = delete;
    SpectrumDialog& operator=(const SpectrumDialog&) = delete;

    void ClearSpectrum()
    {
        std::fill(dlg.RealOut, dlg.RealOut + length, 0.0);
        std::fill(dlg.ImagOut, dlg.ImagOut + length, 0.0);
    }

    // Over both parts, so that a detector reading one alone sees the wrong value: a 3-4-5 split.
    void SetBin(UINT index, double magnitude)
    {
        dlg.RealOut[index] = 0.6 * magnitude;
        dlg.ImagOut[index] = -0.8 * magnitude;
    }

    void SetSpectrum(const std::vector<Bin>& bins)
    {
        ClearSpectrum();
        for (const Bin& bin : bins)
            SetBin(bin.index, bin.magnitude);
    }

    void SelectTuning(int index)
    {
        dlg.m_Tuning.SetCurSel(index);
        dlg.OnSelchangeTuning();
    }

    // Something on every label and the slider away from every expected place, so that what a
    // pass leaves is its own doing.
    void Scribble()
    {
        dlg.m_Slider.SetPos(500);
        for (int i = 0; i < 6; ++i)
        {
            CClientDC dc(Label(i));
            dc.LineTo(3, 3);
        }
    }

    CWnd* Label(int string) const { return dlg.GetDlgItem(IDC_STRING1 + string); }

    // The drawing a label keeps until the next erase.
    const std::vector<afx::DrawOp>& Retained(int string) const
    {
        return afx::Win(Label(string)->m_hWnd)->retained;
    }

    // The one label holding a drawing, if its drawing is a frame of a single colour; a drawing
    // on more than one label, or of mixed pens, fails the test.
    std::optional<Frame> FrameShown() const
    {
        std::optional<Frame> shown;
        for (int s = 0; s < 6; ++s)
        {
            const std::vector<afx::DrawOp>& ops = Retained(s);
            if (ops.empty())
                continue;
            EXPECT_FALSE(shown.has_value())
                << "drawings on strings " << shown->string << " and " << s;
            for (const afx::DrawOp& op : ops)
                EXPECT_EQ(op.pen.color, ops.front().pen.color) << "string " << s;
            shown = Frame{s, ops.front().pen.color};
        }
        return shown;
    }

    TunerWorld world;
    TunerDialog dlg;
    bool created = false;
    UINT length = 0;
};
} // namespace test_support
