// The frame around a string's label: the lines drawn, and the pixels on the offscreen window.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using namespace quintor::testing;

namespace
{
QRgb Rgb(COLORREF color)
{
    return qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
}

// The pen is centred on the client rectangle's edges: of its 5 pixels, 3 fall inside along the
// left and top edges and 2 along the right and bottom ones (the line at x = width lies outside).
// Returns the first pixel that disagrees, or an empty string.
std::string CheckFramePixels(const QImage& image, COLORREF color)
{
    const int w = image.width();
    const int h = image.height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            const bool band = x < 3 || y < 3 || x >= w - 2 || y >= h - 2;
            const bool coloured = image.pixel(x, y) == Rgb(color);
            if (band != coloured)
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") of " +
                       std::to_string(w) + " x " + std::to_string(h) +
                       (band ? " is not in the frame's colour" : " is in the frame's colour");
        }
    return std::string();
}

bool HasPixelOf(const QImage& image, COLORREF color)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == Rgb(color))
                return true;
    return false;
}

QImage Grab(SpectrumDialog& s, int string)
{
    QWidget* widget = s.dlg.Widget(IDC_STRING1 + string);
    EXPECT_NE(widget, nullptr);
    return widget != nullptr ? widget->grab().toImage() : QImage();
}

TEST(FrameOnScreen, TheNearestLabelGetsTheBandsColourOnItsFourSides)
{
    struct Case
    {
        UINT bin;
        int string;
        COLORREF color;
    } cases[] = {
        /* 0 */ {654, 1, kGreen},  // 110 Hz
        /* 1 */ {494, 0, kYellow}, // 83 Hz
        /* 2 */ {1962, 5, kGreen}, // 330 Hz
    };
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    for (const Case& c : cases)
    {
        SCOPED_TRACE("bin " + std::to_string(c.bin));
        s.SetSpectrum({{c.bin, 1e8}});
        s.dlg.Analyse();
        ServeInterface();
        for (int i = 0; i < 6; ++i)
        {
            const QImage image = Grab(s, i);
            if (i == c.string)
            {
                EXPECT_EQ(CheckFramePixels(image, c.color), "");
            }
            else
            {
                EXPECT_FALSE(HasPixelOf(image, kGreen) || HasPixelOf(image, kYellow))
                    << "string " << i;
            }
        }
    }
}

TEST(FrameOnScreen, StaysWhileAnotherThreadAnalysesAgainAndAgain)
{
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    s.SetSpectrum({{654, 1e8}}); // 110 Hz, in tune with string 1
    {
        LoopingThread worker([&] { s.dlg.Analyse(); });
        // Twenty looks spread over a second. A pass's requests go out when the next pass reads
        // the slider: two more passes and the batch they published carried out, and the look
        // comes after at least one whole pass of the worker's.
        for (int grab = 0; grab < 20; ++grab)
        {
            const long before = worker.Passes();
            Pump(50);
            PumpUntil("two more passes of the worker",
                      [&] { return worker.Passes() >= before + 2; });
            afx::ProcessPendingUpdates();
            EXPECT_EQ(CheckFramePixels(Grab(s, 1), kGreen), "") << "grab " << grab;
        }
    }

    s.SetSpectrum({{571, 1e8}}); // 96 Hz: out of every band
    std::thread last([&] { s.dlg.Analyse(); });
    last.join();
    PumpUntil("the last pass on the slider", [&] { return s.dlg.SliderPos() == 163; });
    ServeInterface();
    for (int i = 0; i < 6; ++i)
        EXPECT_FALSE(HasPixelOf(Grab(s, i), kGreen)) << "string " << i;
}
} // namespace
