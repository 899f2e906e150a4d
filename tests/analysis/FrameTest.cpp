// The frame around a string's label: the lines drawn, and the pixels on the offscreen window.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <string>

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

// The colour of each band is the matching table's business, and the end-to-end plucks read
// both from the screen; here, where the frame's pixels fall.
TEST(FrameOnScreen, TheNearestLabelGetsAFrameOnItsFourSidesAndNoOtherDoes)
{
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    s.SetSpectrum({{654, 1e8}}); // 110 Hz, in tune with string 1
    s.dlg.Analyse();
    ServeInterface();
    EXPECT_EQ(CheckFramePixels(Grab(s, 1), kGreen), "");
    for (int i : {0, 2, 3, 4, 5})
        EXPECT_FALSE(HasPixelOf(Grab(s, i), kGreen)) << "string " << i;
}
} // namespace
