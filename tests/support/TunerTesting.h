// The tuner dialog in a test: its inner state in reach, a folder of its own holding the tuning
// file, a fake sound card, recorded message boxes and a scripted file dialog.
#pragma once

#include "StdAfx.h"

#include "FakeWaveIn.h"
#include "QuintorDlg.h"
#include "afxwndimpl.h"
#include "RecordingMessageBox.h"
#include "ScriptedFileDialog.h"
#include "TempFolder.h"
#include "Wait.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace test_support
{
// The frames around the strings' labels.
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// The dialog with its protected members public, for the tests alone.
class TunerDialog : public CQuintorDlg
{
public:
    using CQuintorDlg::ImagIn;
    using CQuintorDlg::ImagOut;
    using CQuintorDlg::m_Accord;
    using CQuintorDlg::m_bRunning;
    using CQuintorDlg::m_Card;
    using CQuintorDlg::m_Go;
    using CQuintorDlg::m_hIcon;
    using CQuintorDlg::m_Names;
    using CQuintorDlg::m_Notes;
    using CQuintorDlg::m_pCaptureThread;
    using CQuintorDlg::m_phWaveIn;
    using CQuintorDlg::m_Slider;
    using CQuintorDlg::m_Tuning;
    using CQuintorDlg::m_WaveHdr;
    using CQuintorDlg::OnGo;
    using CQuintorDlg::OnSelchangeTuning;
    using CQuintorDlg::OnStop;
    using CQuintorDlg::OnSysCommand;
    using CQuintorDlg::OpenSoundCard;
    using CQuintorDlg::RealIn;
    using CQuintorDlg::RealOut;

    // Every call of the default window procedure, as it received them.
    struct DefCall
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<DefCall> defCalls;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        defCalls.push_back(DefCall{message, wParam, lParam});
        return CQuintorDlg::DefWindowProc(message, wParam, lParam);
    }

    QWidget* Widget(int nID = 0) const;

    // The program only runs the dialog modally; tests open it modeless through the layer, shown
    // as its template asks, and read what it shows from the layer's own state.
    BOOL Create(UINT nIDTemplate)
    {
        const afx::RcDialog* t = afx::GetResources().FindDialog(static_cast<int>(nIDTemplate));
        if (m_hWnd != nullptr || t == nullptr ||
            afx::CreateDialogWindow(this, nIDTemplate, nullptr) == nullptr)
            return FALSE;
        OnInitDialog();
        if (m_hWnd != nullptr && (t->style & WS_VISIBLE) && !afx::Win(m_hWnd)->endRequested)
            ShowWindow(SW_SHOW);
        return m_hWnd != nullptr;
    }
    BOOL IsWindowVisible() const
    {
        return m_hWnd != nullptr && (afx::Win(m_hWnd)->style.load() & WS_VISIBLE) != 0;
    }
    int SliderPos() const { return afx::Win(m_Slider.m_hWnd)->pos.load(); }
};

// The entry of the card list whose name starts with `prefix` (the last such), or -1.
inline int FindCard(const TunerDialog& dlg, std::string_view prefix)
{
    int card = dlg.m_Card.GetCount() - 1;
    while (card >= 0 &&
           !std::string_view(static_cast<LPCSTR>(afx::Win(dlg.m_Card.m_hWnd)->items[card].text))
                .starts_with(prefix))
        --card;
    return card;
}

// The Qt widget that shows a window of the layer (0: the dialog itself).
inline QWidget* TunerDialog::Widget(int nID) const
{
    const CWnd* pWnd = nID == 0 ? this : GetDlgItem(nID);
    for (QWidget* widget : QApplication::allWidgets())
        if (pWnd != nullptr && pWnd->m_hWnd != nullptr &&
            widget->property("afxHwnd").value<quintptr>() ==
                reinterpret_cast<quintptr>(pWnd->m_hWnd))
            return widget;
    return nullptr;
}

struct Tuning
{
    std::string name;
    std::string notes;
    bool operator==(const Tuning&) const = default;
};

// A tuning file (CRLF, as Windows writes them) with the tunings in order.
inline std::string TuningFile(const std::vector<Tuning>& tunings)
{
    std::string text = "[NOM]\r\n";
    for (size_t i = 0; i < tunings.size(); ++i)
        text += "Accord" + std::to_string(i + 1) + "=" + tunings[i].name + "\r\n";
    text += "[NOTES]\r\n";
    for (size_t i = 0; i < tunings.size(); ++i)
        text += "Notes" + std::to_string(i + 1) + "=" + tunings[i].notes + "\r\n";
    return text;
}

inline const std::vector<Tuning>& StandardTunings()
{
    static const std::vector<Tuning> tunings = {
        {"Standard", "MI1LA1RE2SOL2SI2MI3"},
        {"Drop D", "RE1LA1RE2SOL2SI2MI3"},
        {"Faux", "MI1LA1XX2SOL2SI2MI3"},
    };
    return tunings;
}

// A fake card recording silence as fast as asked, unless the test changes it.
inline afx::testing::FakeDevice Card(const std::string& name)
{
    afx::testing::FakeDevice device;
    device.name = name;
    return device;
}

// What the dialog needs around it: its own current folder holding the tuning file, recorded
// message boxes, a scripted file dialog. Alone when its sound cards are ALSA's.
struct RealWorld
{
    explicit RealWorld(const std::vector<Tuning>& tunings = StandardTunings())
    {
        folder.Write("Accords.ini", TuningFile(tunings));
    }
    TempFolder folder{TempFolder::MakeCurrent};
    afx::testing::RecordingMessageBox boxes;
    afx::testing::ScriptedFileDialog files;
};

// The surroundings of a tuner with fake sound cards, made before the dialog and gone after it.
struct TunerWorld : RealWorld
{
    explicit TunerWorld(std::vector<afx::testing::FakeDevice> devices = {Card("Carte test")},
                        const std::vector<Tuning>& tunings = StandardTunings())
        : RealWorld(tunings), fake(std::move(devices)), install(fake)
    {
    }
    afx::testing::FakeWaveIn fake;
    afx::testing::FakeWaveInInstall install;
};

// One round of the interface thread's work: its events, and the drawing other threads asked for.
inline void ServeInterface()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    afx::ProcessPendingUpdates();
}

// Serves the interface thread until done(), under the watchdog.
inline void PumpUntil(const std::string& what, const std::function<bool()>& done)
{
    WaitUntil(what, done, ServeInterface);
}

// The threads of this process, to tell that those a test started have ended.
inline int ThreadCount()
{
    int count = 0;
    for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}
} // namespace test_support
