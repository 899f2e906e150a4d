// The frame around a string's label as the offscreen window shows it.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <string>

using namespace test_support;

namespace
{
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
            const bool coloured =
                image.pixel(x, y) == qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
            if (band != coloured)
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") of " +
                       std::to_string(w) + " x " + std::to_string(h) +
                       (band ? " is not in the frame's colour" : " is in the frame's colour");
        }
    return std::string();
}

// The colour of each band and the one label framed are the matching table's business, and the
// end-to-end plucks read both from the screen; here, where the frame's pixels fall.
TEST(FrameOnScreen, TheNearestLabelGetsAFrameOnItsFourSides)
{
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    s.SetSpectrum({{654, 1e8}}); // 110 Hz, in tune with string 1
    s.dlg.Analyse();
    ServeInterface();
    QWidget* label = s.dlg.Widget(IDC_STRING1 + 1);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(CheckFramePixels(label->grab().toImage(), kGreen), "");
}
} // namespace
