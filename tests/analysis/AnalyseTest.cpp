// String matching: from one isolated peak to the slider's position and the label framed.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace quintor::testing;

namespace
{
const std::vector<Tuning> kTunings = {
    {"Standard", "MI1LA1RE2SOL2SI2MI3"}, // 82.4 110 146.8 196 247 329.6
    {"Haut", "MI1LA1RE2SOL2SI2FA#3"},    // sixth string 370: ceiling 408 Hz
    {"Melange", "MI1LA1RE2SOL2FA#2MI3"}, // fifth string 185, below the fourth
    {"Fa", "MI1FA1RE2SOL2SI2MI3"},       // second string 87.3
    {"Sol", "SOL2LA2SI2RE3MI3SOL3"},     // first string 196
    {"Graves", "RE1MI1FA1SOL1MI1MI3"},   // fifth string 82.4
};

// Each bin P was chosen so that floor(P * 88,200 / 524,288) is the frequency f named.
struct MatchCase
{
    int tuning;
    UINT bin; // 0: no peak at all
    double hertz;
    int position;
    std::optional<Frame> frame;
};

void PrintTo(const MatchCase& c, std::ostream* os)
{
    *os << "tuning " << c.tuning << ", " << c.hertz << " Hz";
}

const MatchCase kMatchCases[] = {
    // Standard tuning.
    /* 0 */ {0, 654, 110, 293, Frame{1, kGreen}},
    /* 1 */ {0, 489, 82, 139, Frame{0, kGreen}},  // upper side: 140 / (82.4 / 82)
    /* 2 */ {0, 494, 83, 141, Frame{0, kYellow}}, // lower side: 140 * 83 / 82.4
    /* 3 */ {0, 571, 96, 163, std::nullopt},      // dLo 13 < dUp 14, ratio 1.165
    /* 4 */ {0, 2081, 350, 961, std::nullopt},    // above string 5: 905 * 350 / 329.6
    /* 5 */ {0, 0, 0, 0, std::nullopt},
    /* 6 */ {0, 244, 41, 0, std::nullopt}, // tie with the missing lower string
    /* 7 */ {0, 250, 42, 71, std::nullopt},
    /* 8 */ {0, 1962, 330, 906, Frame{5, kGreen}},
    /* 9 */ {0, 648, 109, 290, Frame{1, kYellow}},  // ratio 0.9909
    /* 10 */ {0, 660, 111, 295, Frame{1, kYellow}}, // ratio 1.0091, lower side
    /* 11 */ {0, 666, 112, 298, std::nullopt},      // ratio 1.018
    /* 12 */ {0, 642, 108, 287, std::nullopt},      // ratio 0.982
    /* 13 */ {0, 1166, 196, 599, Frame{3, kGreen}}, // on the target: the upper side, at 0
    /* 14 */ {0, 868, 146, 443, Frame{2, kYellow}}, // upper side of each string in turn
    /* 15 */ {0, 1463, 246, 748, Frame{4, kGreen}},
    /* 16 */ {0, 1950, 328, 900, Frame{5, kGreen}},
    /* 17 */ {0, 880, 148, 449, Frame{2, kYellow}}, // lower side of each string in turn
    /* 18 */ {0, 1172, 197, 602, Frame{3, kYellow}},
    /* 19 */ {0, 1475, 248, 755, Frame{4, kGreen}}, // ratio 1.00405
                                                    // A sixth string at 370 Hz lets f pass it.
    /* 20 */ {1, 2378, 400, 978, std::nullopt},
    /* 21 */ {1, 2212, 372, 909, Frame{5, kYellow}}, // tie 2 / 2, ratio 1.0054
    // Between strings 4 (185) and 5: 752 * 250 / 185 = 1016, held at the range's end.
    /* 22 */ {2, 1487, 250, 1000, std::nullopt},
    // The distances are truncated before they are compared: 2.6 and 2.3 tie, the lower side wins.
    /* 23 */ {3, 506, 85, 144, std::nullopt},
    // 140 / (196 / 168) falls just short of 120, and 752 * (103 / 82.4) does not of 940.
    /* 24 */ {4, 999, 168, 119, std::nullopt},
    /* 25 */ {5, 613, 103, 940, std::nullopt},
};

class AnalyseTable : public ::testing::TestWithParam<MatchCase>
{
};

TEST_P(AnalyseTable, MovesTheSliderAndFramesTheNearestString)
{
    const MatchCase& c = GetParam();
    SpectrumDialog s(kTunings);
    ASSERT_TRUE(s.created);
    s.SelectTuning(c.tuning);
    if (c.bin != 0)
        s.SetSpectrum({{c.bin, 1e8}});
    ASSERT_EQ(s.dlg.FindPitch(), c.hertz);

    s.Scribble();
    s.dlg.Analyse();
    EXPECT_EQ(s.dlg.SliderPos(), c.position);
    EXPECT_EQ(s.FrameShown(), c.frame);
}

INSTANTIATE_TEST_SUITE_P(Strings, AnalyseTable, ::testing::ValuesIn(kMatchCases));

TEST(Analyse, ATuningThatNeverSetItsTargetsShowsNothing)
{
    // The first tuning is applied as the dialog opens; these never reach the sixth string, so
    // there is no ceiling, no pitch, and no ratio to take.
    const std::vector<std::vector<Tuning>> worlds = {
        /* 0 */ {{"Faux", "XX1LA1RE2SOL2SI2MI3"}, {"Standard", "MI1LA1RE2SOL2SI2MI3"}},
        /* 1 */ {{"Faux", "MI1LA1XX2SOL2SI2MI3"}, {"Standard", "MI1LA1RE2SOL2SI2MI3"}},
    };
    for (size_t i = 0; i < worlds.size(); ++i)
    {
        SCOPED_TRACE("world " + std::to_string(i));
        SpectrumDialog s(worlds[i]);
        ASSERT_TRUE(s.created);
        ASSERT_EQ(s.dlg.m_Accord.GetTarget(5), 0.0);
        s.SetSpectrum({{654, 1e9}});
        EXPECT_EQ(s.dlg.FindPitch(), 0);
        s.Scribble();
        s.dlg.Analyse();
        EXPECT_EQ(s.dlg.SliderPos(), 0);
        EXPECT_EQ(s.FrameShown(), std::nullopt);
    }
}

TEST(Analyse, NoPositionAtAllGoesToTheSlidersMinimum)
{
    // The position that is no number (0 times infinity or 0 / 0) becomes the most negative int,
    // which the slider holds at its minimum, whatever that is.
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    s.dlg.m_Slider.SetRange(-100, 1000);
    const UINT bins[] = {0, 244}; // no pitch; 41 Hz, the tie with no lower string
    for (UINT bin : bins)
    {
        s.ClearSpectrum();
        if (bin != 0)
            s.SetBin(bin, 1e8);
        s.Scribble();
        s.dlg.Analyse();
        EXPECT_EQ(s.dlg.SliderPos(), -100) << "bin " << bin;
        EXPECT_EQ(s.FrameShown(), std::nullopt) << "bin " << bin;
    }
}

TEST(Analyse, APassWithoutAFrameErasesTheLastOne)
{
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    s.SetSpectrum({{654, 1e8}});
    s.dlg.Analyse();
    ASSERT_EQ(s.FrameShown(), (Frame{1, kGreen}));
    s.SetSpectrum({{571, 1e8}}); // 96 Hz, out of every band
    s.dlg.Analyse();
    EXPECT_EQ(s.FrameShown(), std::nullopt);
    EXPECT_EQ(s.dlg.SliderPos(), 163);
}
} // namespace
