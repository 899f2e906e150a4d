// The tuner with nothing mocked between the sound and the screen: the real wave-input back end
// over ALSA, plucked strings made by sox, and what the dialog shows read back from its widgets.
#pragma once

#include "../capture/CaptureTesting.h"
#include "SoundFixtures.h"

#include <QImage>
#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace endtoend
{
using namespace capture_testing;

constexpr double kRate = 44100.0;
constexpr std::size_t kBlockSamples = 1u << 18; // what one full capture buffer holds
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// The capture device the test program defines for ALSA before anything else runs (Alsa.cpp):
// it records the raw file at RecordedFile(), read from its start at every open.
const std::string& RecordedFile();
extern const char* const kFileCardName; // code page 1252, as the list shows it

// A plucked string from sox: `seconds` of pluck at `hertz` after half a second of silence,
// samples as recorded. Empty when sox fails.
inline std::vector<std::int16_t> Pluck(const std::string& dir, double hertz, double seconds = 3)
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
    return samples;
}

// `sound` followed by silence up to one capture buffer's worth of samples.
inline std::vector<std::int16_t> OneBlock(std::vector<std::int16_t> sound)
{
    sound.resize(kBlockSamples, 0);
    return sound;
}

inline double Detuned(double hertz, double cents)
{
    return hertz * std::pow(2.0, cents / 1200.0);
}

// The whole hertz the detector may report for a sound at `hertz`: the peak within one bin of
// where the frequency falls, bins 44,100 / 262,144 Hz apart, truncated to whole hertz.
struct Window
{
    int low;
    int high;
};
inline Window DetectableHertz(double hertz)
{
    const double spacing = kRate / kBlockSamples;
    const double bin = hertz / spacing;
    return {static_cast<int>(std::ceil(bin - 1) * spacing),
            static_cast<int>(std::floor(bin + 1) * spacing)};
}

// What the rules show for a detected frequency f against six ascending targets: the slider's
// position, the string framed (-1 for none) and the frame's colour.
struct Indication
{
    int position;
    int string;
    COLORREF colour;
};
inline Indication RulesFor(double f, const double (&target)[6])
{
    if (f <= 0)
        return {0, -1, 0};
    int up = 0;
    while (up < 6 && target[up] < f)
        ++up;
    const int lo = up - 1;
    const double fLo = lo >= 0 ? target[lo] : 0;
    const int pLo = lo >= 0 ? 153 * lo + 140 : 0;
    const double fUp = up <= 5 ? target[up] : target[5];
    const int pUp = up <= 5 ? 153 * up + 140 : 1000;
    const int dUp = std::abs(static_cast<int>(fUp - f));
    const int dLo = std::abs(static_cast<int>(fLo - f));
    const bool upper = dUp < dLo;
    const int nearest = upper ? up : lo;
    if (nearest < 0)
        return {0, -1, 0};
    const double position = upper ? pUp / (fUp / f) : pLo * (f / fLo);
    Indication d{std::clamp(static_cast<int>(position), 0, 1000), -1, 0};
    const double ratio = f / target[nearest];
    if (ratio >= 0.995 && ratio <= 1.005)
        d = {d.position, nearest, kGreen};
    else if (ratio >= 0.99 && ratio <= 1.01)
        d = {d.position, nearest, kYellow};
    return d;
}

// Targets of the tunings of StandardTunings(): twice, four or eight times the table's notes.
inline const double (&StandardTargets())[6]
{
    static const double t[6] = {2 * 41.2, 2 * 55.0, 4 * 36.7, 4 * 49.0, 4 * 61.75, 8 * 41.2};
    return t;
}
inline const double (&DropDTargets())[6]
{
    static const double t[6] = {2 * 36.7, 2 * 55.0, 4 * 36.7, 4 * 49.0, 4 * 61.75, 8 * 41.2};
    return t;
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

// Checks that the screen shows `expected`: the slider, and a frame of the right colour on the
// right label and on no other.
inline void ExpectShown(TunerDialog& dlg, const Indication& expected)
{
    EXPECT_EQ(dlg.m_Slider.GetPos(), expected.position);
    for (int s = 0; s < 6; ++s)
    {
        const int green = FramePixels(dlg, s, kGreen);
        const int yellow = FramePixels(dlg, s, kYellow);
        if (s == expected.string)
        {
            const bool isGreen = expected.colour == kGreen;
            EXPECT_GT(isGreen ? green : yellow, 0) << "no frame on string " << s;
            EXPECT_EQ(isGreen ? yellow : green, 0) << "a frame of the other colour on " << s;
        }
        else
        {
            EXPECT_EQ(green + yellow, 0) << "a frame on string " << s;
        }
    }
}

// The screen's reading at one moment.
struct Reading
{
    int position;
    int framed; // -1 for none
    COLORREF colour;
    bool operator==(const Reading&) const = default;
};

inline Reading Read(const TunerDialog& dlg)
{
    Reading r{dlg.m_Slider.GetPos(), -1, 0};
    for (int s = 0; s < 6; ++s)
        for (COLORREF colour : {kGreen, kYellow})
            if (FramePixels(dlg, s, colour) > 0)
                r = {r.position, s, colour};
    return r;
}

// Whether some pitch the detector may find for `hertz` shows as `r`.
inline bool Explains(double hertz, const Reading& r)
{
    const Window window = DetectableHertz(hertz);
    for (int f = window.low; f <= window.high; ++f)
    {
        const Indication d = RulesFor(f, StandardTargets());
        if (d.position == r.position && d.string == r.framed &&
            (d.string < 0 || d.colour == r.colour))
            return true;
    }
    return false;
}

// The entry of the card list whose name starts with `prefix`, or -1.
inline int FindCard(const TunerDialog& dlg, const std::string& prefix)
{
    for (int i = 0; i < dlg.m_Card.GetCount(); ++i)
        if (EntryText(dlg.m_Card, i).rfind(prefix, 0) == 0)
            return i;
    return -1;
}

} // namespace endtoend
