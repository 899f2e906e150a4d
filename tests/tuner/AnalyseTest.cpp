// String matching: from one isolated peak to the slider's position and the label framed.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace test_support;

namespace
{
const std::vector<Tuning> kTunings = {
    {"Standard", "MI1LA1RE2SOL2SI2MI3"}, // 82.4 110 146.8 196 247 329.6
    {"Melange", "MI1LA1RE2SOL2FA#2MI3"}, // fifth string 185, below the fourth
    {"Fa", "MI1FA1RE2SOL2SI2MI3"},       // second string 87.3
    {"Sol", "SOL2LA2SI2RE3MI3SOL3"},     // first string 196
    {"Graves", "RE1MI1FA1SOL1MI1MI3"},   // fifth string 82.4
};

// Each bin P was chosen so that floor(P * 88,200 / 524,288) is the frequency f named; the
// end-to-end plucks hold the other readings of the standard tuning.
struct MatchCase
{
    int tuning;
    UINT bin;
    double hertz;
    int position;
    std::optional<Frame> frame;
};

const MatchCase kMatchCases[] = {
    // Standard tuning.
    /* 0 */ {0, 654, 110, 293, Frame{1, kGreen}},
    /* 1 */ {0, 494, 83, 141, Frame{0, kYellow}}, // lower side: 140 * 83 / 82.4
    /* 2 */ {0, 250, 42, 71, std::nullopt},       // below the first string, one past the tie
    /* 3 */ {0, 1962, 330, 906, Frame{5, kGreen}},
    /* 4 */ {0, 648, 109, 290, Frame{1, kYellow}},  // ratio 0.9909
    /* 5 */ {0, 666, 112, 298, std::nullopt},       // ratio 1.018
    /* 6 */ {0, 1166, 196, 599, Frame{3, kGreen}},  // on the target: the upper side, at 0
    /* 7 */ {0, 1172, 197, 602, Frame{3, kYellow}}, // ratio 1.0051
    /* 8 */ {0, 1475, 248, 755, Frame{4, kGreen}},  // ratio 1.00405
    // Between strings 4 (185) and 5: 752 * 250 / 185 = 1016, held at the range's end.
    /* 9 */ {1, 1487, 250, 1000, std::nullopt},
    // The distances are truncated before they are compared: 2.6 and 2.3 tie, the lower side wins.
    /* 10 */ {2, 506, 85, 144, std::nullopt},
    // 140 / (196 / 168) falls just short of 120, and 752 * (103 / 82.4) does not of 940.
    /* 11 */ {3, 999, 168, 119, std::nullopt},
    /* 12 */ {4, 613, 103, 940, std::nullopt},
};

TEST(Analyse, MovesTheSliderAndFramesTheNearestString)
{
    SpectrumDialog s(kTunings);
    ASSERT_TRUE(s.created);
    for (const MatchCase& c : kMatchCases)
    {
        SCOPED_TRACE(::testing::Message() << "tuning " << c.tuning << ", bin " << c.bin);
        s.SelectTuning(c.tuning);
        s.SetSpectrum({{c.bin, 1e8}});
        ASSERT_EQ(s.dlg.FindPitch(), c.hertz);

        s.Scribble();
        s.dlg.Analyse();
        EXPECT_EQ(s.dlg.SliderPos(), c.position);
        EXPECT_EQ(s.FrameShown(), c.frame);
    }
}

// The position that is no number (0 times infinity or 0 / 0) becomes the most negative int,
// which the slider holds at its minimum, whatever that is.
TEST(Analyse, NoPositionAtAllGoesToTheSlidersMinimum)
{
    const struct
    {
        const char* what;
        std::vector<Tuning> tunings;
        std::vector<Bin> bins;
    } cases[] = {
        {"no pitch", StandardTunings(), {}},
        {"41 Hz, the tie with no lower string", StandardTunings(), {{244, 1e8}}},
        // The first tuning is applied as the dialog opens: this one never reaches the sixth
        // string, which leaves no ceiling, so no pitch, and no ratio to take.
        {"no sixth string", {{"Faux", "MI1LA1XX2SOL2SI2MI3"}}, {{654, 1e9}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        SpectrumDialog s(c.tunings);
        ASSERT_TRUE(s.created);
        s.dlg.m_Slider.SetRange(-100, 1000);
        s.SetSpectrum(c.bins);
        s.Scribble();
        s.dlg.Analyse();
        EXPECT_EQ(s.dlg.SliderPos(), -100);
        EXPECT_EQ(s.FrameShown(), std::nullopt);
    }
}
} // namespace
