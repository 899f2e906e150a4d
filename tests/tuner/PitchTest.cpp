// The pitch detector on spectra written by hand and on sound put through the transform.
#include "AnalysisFixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace test_support;

namespace
{
// With the 524,288-byte buffer, bin k stands for floor(k * 88,200 / 524,288) whole hertz; the
// standard tuning's ceiling is 364 Hz, bin 2,163.
TEST(FindPitch, GivesTheLowestIsolatedStrongBinInWholeHertz)
{
    struct Case
    {
        const char* what;
        std::vector<Bin> bins;
        double hertz;
    } cases[] = {
        {"isolated bin exactly at the threshold", {{654, 5e7}}, 0},
        {"isolated bin just above the threshold", {{654, 5.0001e7}}, 110},
        {"below the threshold although |re| + |im| is above it", {{654, 4.5e7}}, 0},
        {"above the threshold although each part alone is below it", {{654, 6e7}}, 110},
        {"equal maxima skipped for an isolated peak above",
         {{654, 1e8}, {655, 1e8}, {1308, 1e8}},
         220},
        {"weak fundamental, qualifying octave", {{654, 4e7}, {1308, 1e8}}, 220},
        {"both qualify, the octave stronger", {{654, 6e7}, {1308, 1e9}}, 110},
        {"last bin below the ceiling", {{2162, 1e8}}, 363},
        {"strongest bin at the ceiling", {{2163, 1e12}}, 0},
    };
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    ASSERT_EQ(s.length, 524288u);
    for (const Case& c : cases)
    {
        s.SetSpectrum(c.bins);
        EXPECT_EQ(s.dlg.FindPitch(), c.hertz) << c.what;
    }
}

TEST(IsPeak, NeedsBinTwentyAndStrictlyMoreThanNineteenNeighboursEachSide)
{
    struct Case
    {
        UINT k;
        std::vector<Bin> bins;
        int peak;
    } cases[] = {
        /* 0 */ {19, {{19, 1}}, 0},
        /* 1 */ {20, {{20, 1}}, 1}, // no threshold here: a tiny isolated bin is a peak
        /* 2 */ {1000, {{1000, 5}, {981, 5}}, 0},
        /* 3 */ {1000, {{1000, 5}, {1019, 5}}, 0},
        /* 4 */ {1000, {{1000, 5}, {980, 5}}, 1},
        /* 5 */ {1000, {{1000, 5}, {1020, 5}}, 1},
        /* 6 */ {1000, {{1000, 5}, {999, 6}}, 0},
        /* 7 */ {1000, {{1000, 5}, {1001, 6}}, 0},
    };
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        s.SetSpectrum(cases[i].bins);
        EXPECT_EQ(s.dlg.IsPeak(cases[i].k), cases[i].peak) << "case " << i;
    }
}

TEST(FindPitch, CeilingFollowsTheSixthTargetTheSliderRangeAndTheBufferLength)
{
    // The ceiling is the slider's right end, its maximum over 905 times the sixth target: FA#3 =
    // 370 Hz puts it at 408.8 Hz cut to 408, bin 2,425; twice the range, 728 Hz, bin 4,327. A
    // 262,144-byte buffer makes bin k stand for k * 88,200 / 262,144 Hz, the ceiling bin 1,081.
    SpectrumDialog s({{"Standard", "MI1LA1RE2SOL2SI2MI3"}, {"Fa", "MI1LA1RE2SOL2SI2FA#3"}});
    ASSERT_TRUE(s.created);
    const DWORD full = s.dlg.m_WaveHdr.dwBufferLength;
    struct Case
    {
        int tuning;
        int range;
        DWORD buffer;
        UINT bin;
        double hertz;
    } cases[] = {
        /* 0 */ {1, 1000, full, 2424, 407},   /* 1 */ {1, 1000, full, 2425, 0},
        /* 2 */ {0, 2000, full, 2500, 420},   /* 3 */ {0, 2000, full, 4327, 0},
        /* 4 */ {0, 1000, 262144, 1080, 363}, /* 5 */ {0, 1000, 262144, 1081, 0},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        s.SelectTuning(cases[i].tuning);
        s.dlg.m_Slider.SetRange(0, cases[i].range);
        s.dlg.m_WaveHdr.dwBufferLength = cases[i].buffer;
        s.SetSpectrum({{cases[i].bin, 1e8}});
        EXPECT_EQ(s.dlg.FindPitch(), cases[i].hertz) << "case " << i;
    }
    s.dlg.m_WaveHdr.dwBufferLength = full;
}
} // namespace
