// The tuner with nothing mocked between the sound and the screen: the real wave-input back end
// over ALSA, plucked strings made by sox, and what the dialog shows read back from its widgets.
#pragma once

#include "CaptureTesting.h"
#include "SoundFixtures.h"

#include <QImage>
#include <QPixmap>

#include <cstdint>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace endtoend
{
using namespace test_support;

constexpr std::size_t kBlockSamples = 1u << 18; // what one full capture buffer holds

// The capture device the test program defines for ALSA before anything else runs (Alsa.cpp):
// it records the raw file at RecordedFile(), read from its start at every open.
const std::string& RecordedFile();
extern const char* const kFileCardName; // code page 1252, as the list shows it

// The screen's reading at one moment.
struct Reading
{
    int position;
    int framed; // -1 for none
    COLORREF colour;
    bool operator==(const Reading&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Reading& r)
{
    const char* colour = r.colour == kGreen ? "green" : r.colour == kYellow ? "yellow" : "odd";
    os << "slider " << r.position;
    return r.framed < 0 ? os << ", no frame"
                        : os << ", " << colour << " frame on string " << r.framed;
}

// Reads the slider and, from the pixels of the strings' labels, which string is framed in which
// colour.
inline Reading Read(const TunerDialog& dlg)
{
    Reading r{dlg.SliderPos(), -1, 0};
    for (int s = 0; s < 6; ++s)
    {
        QWidget* label = dlg.Widget(IDC_STRING1 + s);
        const QImage image = label != nullptr ? label->grab().toImage() : QImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                for (const COLORREF c : {kGreen, kYellow})
                    if ((image.pixel(x, y) & 0xFFFFFFu) ==
                        (qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) & 0xFFFFFFu))
                        r = {r.position, s, c};
    }
    return r;
}

// The one runner of the end-to-end tests: a scratch folder, the tuner opened on a card as the
// user does it, and what the screen shows once a recording has changed it.
class EndToEndTest : public CaptureTest
{
protected:
    // Creates the tuner and chooses the card whose name starts with `prefix`, as the user does.
    static void Open(TunerDialog& dlg, const std::string& prefix)
    {
        ASSERT_TRUE(dlg.Create(CQuintorDlg::IDD));
        const int card = FindCard(dlg, prefix);
        ASSERT_GE(card, 0) << "ALSA lists no " << prefix << " device";
        if (dlg.m_Card.GetCurSel() != card)
            ChooseCard(dlg, card);
    }

    // Clicks GO, then `play()`, and serves the interface until the screen changes.
    static Reading Show(TunerDialog& dlg, const std::function<void()>& play = {})
    {
        const Reading before = Read(dlg);
        ClickGo(dlg);
        if (play)
            play();
        PumpUntil("a recorded block on the screen", [&] { return !(Read(dlg) == before); });
        return Read(dlg);
    }

    // One capture buffer's worth of sound for each of `hertz`, one after the other: a plucked
    // string from sox, `seconds` long after half a second of silence, then silence.
    std::vector<std::int16_t> Plucks(const std::vector<double>& hertz, double seconds = 2.5)
    {
        std::vector<std::int16_t> samples;
        const std::string raw = m_scratch / "pluck.raw";
        for (const double f : hertz)
        {
            EXPECT_TRUE(MakePluck(raw, f, seconds, 0.5)) << "sox made no sound";
            const std::size_t at = samples.size();
            samples.resize(at + kBlockSamples);
            std::ifstream(raw, std::ios::binary)
                .read(reinterpret_cast<char*>(&samples[at]), kBlockSamples * sizeof(std::int16_t));
        }
        return samples;
    }

    test_support::TempFolder m_scratch;
};

} // namespace endtoend
