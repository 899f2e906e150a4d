// The tuner with nothing mocked between the sound and the screen: the real wave-input back end
// over ALSA, plucked strings made by sox, and what the dialog shows read back from its widgets.
#pragma once

#include "../capture/CaptureTesting.h"
#include "SoundFixtures.h"

#include <QImage>
#include <QPixmap>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace endtoend
{
using namespace capture_testing;

constexpr std::size_t kBlockSamples = 1u << 18; // what one full capture buffer holds
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// The capture device the test program defines for ALSA before anything else runs (Alsa.cpp):
// it records the raw file at RecordedFile(), read from its start at every open.
const std::string& RecordedFile();
extern const char* const kFileCardName; // code page 1252, as the list shows it

// A plucked string from sox, `seconds` long at `hertz` after half a second of silence, followed
// by silence up to one capture buffer's worth of samples. Empty when sox fails.
inline std::vector<std::int16_t> PluckBlock(const std::string& dir, double hertz, double seconds)
{
    const std::string wav = dir + "/pluck.wav";
    const std::string raw = dir + "/pluck.raw";
    char args[200];
    std::snprintf(args, sizeof args, "synth %.3f pluck %.6f pad 0.5", seconds, hertz);
    const std::string make =
        "timeout 30 sox -R -n -r 44100 -c 1 -b 16 '" + wav + "' " + args + " 2>/dev/null";
    const std::string convert =
        "timeout 30 sox '" + wav + "' -t raw -e signed-integer -b 16 '" + raw + "' 2>/dev/null";
    std::vector<std::int16_t> samples;
    if (std::system(make.c_str()) != 0 || std::system(convert.c_str()) != 0)
        return samples;
    std::ifstream in(raw, std::ios::binary);
    unsigned char bytes[2];
    while (in.read(reinterpret_cast<char*>(bytes), 2))
        samples.push_back(static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8)));
    samples.resize(kBlockSamples, 0);
    return samples;
}

// Pixels of a frame colour on the label of string `string`, as the screen shows it now.
inline int FramePixels(const TunerDialog& dlg, int string, COLORREF colour)
{
    QWidget* label = dlg.Widget(IDC_STRING1 + string);
    if (label == nullptr)
        return -1;
    const QImage image = label->grab().toImage();
    const QRgb wanted = qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour));
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += (image.pixel(x, y) & 0xFFFFFFu) == (wanted & 0xFFFFFFu);
    return count;
}

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
    os << "slider " << r.position;
    if (r.framed < 0)
        return os << ", no frame";
    return os << ", "
              << (r.colour == kGreen    ? "green"
                  : r.colour == kYellow ? "yellow"
                                        : "odd")
              << " frame on string " << r.framed;
}

inline Reading Read(const TunerDialog& dlg)
{
    Reading r{dlg.SliderPos(), -1, 0};
    for (int s = 0; s < 6; ++s)
        for (COLORREF colour : {kGreen, kYellow})
            if (FramePixels(dlg, s, colour) > 0)
                r = {r.position, s, colour};
    return r;
}

// The entry of the card list whose name starts with `prefix`, or -1.
inline int FindCard(const TunerDialog& dlg, const std::string& prefix)
{
    for (int i = 0; i < dlg.m_Card.GetCount(); ++i)
        if (EntryText(dlg.m_Card, i).rfind(prefix, 0) == 0)
            return i;
    return -1;
}

// The one runner of the end-to-end tests: a scratch folder, the tuner opened on a card as the
// user does it, and what the screen shows once a recording has changed it.
class EndToEndTest : public CaptureTest
{
protected:
    void SetUp() override { ASSERT_TRUE(m_scratch.Made()); }

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

    test_support::TempFolder m_scratch;
};

} // namespace endtoend
