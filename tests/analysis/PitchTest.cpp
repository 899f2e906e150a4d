// The pitch detector on spectra written by hand and on sound put through the transform.
#include "AnalysisFixture.h"

#include "FFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace quintor::testing;

namespace
{
// With the 524,288-byte buffer, bin k stands for floor(k * 88,200 / 524,288) whole hertz; the
// standard tuning's ceiling is 364 Hz, bin 2,163.
struct PitchCase
{
    const char* what;
    std::vector<Bin> bins;
    double hertz;
};

const PitchCase kPitchCases[] = {
    /* 0 */ {"nothing at all", {}, 0},
    /* 1 */ {"isolated bin exactly at the threshold", {{654, 5e7}}, 0},
    /* 2 */ {"isolated bin just above the threshold", {{654, 5.0001e7}}, 110},
    /* 3 */ {"below the threshold although |re| + |im| is above it", {{654, 4.5e7}}, 0},
    /* 4 */ {"above the threshold although each part alone is below it", {{654, 6e7}}, 110},
    /* 5 */ {"strong bin 19", {{19, 1e9}}, 0},
    /* 6 */ {"strong bin 20, the lowest that can be a peak", {{20, 1e9}}, 3},
    /* 7 */ {"two equal neighbouring maxima", {{654, 1e8}, {655, 1e8}}, 0},
    /* 8 */
    {"equal maxima skipped for an isolated peak above", {{654, 1e8}, {655, 1e8}, {1308, 1e8}}, 220},
    /* 9 */ {"equal bins 19 apart", {{1000, 1e8}, {1019, 1e8}}, 0},
    /* 10 */ {"equal bins 20 apart: the lower is isolated", {{1000, 1e8}, {1020, 1e8}}, 168},
    /* 11 */ {"strong bin with a stronger one 5 bins up", {{700, 6e7}, {705, 1e8}}, 118},
    /* 12 */ {"weak fundamental, qualifying octave", {{654, 4e7}, {1308, 1e8}}, 220},
    /* 13 */ {"both qualify, the octave stronger", {{654, 6e7}, {1308, 1e9}}, 110},
    /* 14 */ {"bin 489", {{489, 1e8}}, 82},
    /* 15 */ {"last bin below the ceiling", {{2162, 1e8}}, 363},
    /* 16 */ {"strongest bin at the ceiling", {{2163, 1e12}}, 0},
    /* 17 */ {"strongest bin far above the ceiling", {{5000, 1e12}}, 0},
};

void PrintTo(const PitchCase& c, std::ostream* os)
{
    *os << c.what;
}

class FindPitchTable : public ::testing::TestWithParam<PitchCase>
{
};

TEST_P(FindPitchTable, GivesTheLowestIsolatedStrongBinInWholeHertz)
{
    const PitchCase& c = GetParam();
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    ASSERT_EQ(s.length, 524288u);
    for (const Bin& bin : c.bins)
        s.SetBin(bin.index, bin.magnitude);
    EXPECT_EQ(s.dlg.FindPitch(), c.hertz) << c.what;
}

INSTANTIATE_TEST_SUITE_P(HandMadeSpectra, FindPitchTable, ::testing::ValuesIn(kPitchCases));

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
        /* 2 */ {1000, {}, 0},      // equal to all its neighbours
        /* 3 */ {1000, {{1000, 5}, {981, 5}}, 0},
        /* 4 */ {1000, {{1000, 5}, {1019, 5}}, 0},
        /* 5 */ {1000, {{1000, 5}, {980, 5}}, 1},
        /* 6 */ {1000, {{1000, 5}, {1020, 5}}, 1},
        /* 7 */ {1000, {{1000, 5}, {999, 6}}, 0},
        /* 8 */ {1000, {{1000, 5}, {1001, 6}}, 0},
        /* 9 */ {1000, {{1000, 5}, {990, 4.999}, {1010, 4.999}}, 1},
    };
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        s.ClearSpectrum();
        for (const Bin& bin : cases[i].bins)
            s.SetBin(bin.index, bin.magnitude);
        EXPECT_EQ(s.dlg.IsPeak(cases[i].k), cases[i].peak) << "case " << i;
    }
}

TEST(FindPitch, CeilingFollowsTheSixthTargetTheSliderRangeAndTheBufferLength)
{
    // The ceiling is the slider's right end, its maximum over 905 times the sixth target: LA3 =
    // 440 Hz puts it at 486 Hz, bin 2,888; FA#3 = 370 Hz at 408.8 Hz cut to 408, bin 2,425; twice
    // the range, 728 Hz, bin 4,327. A 262,144-byte buffer makes bin k stand for
    // k * 88,200 / 262,144 Hz, the ceiling bin 1,081.
    SpectrumDialog s({{"Standard", "MI1LA1RE2SOL2SI2MI3"},
                      {"Haut", "MI1LA1RE2SOL2SI2LA3"},
                      {"Fa", "MI1LA1RE2SOL2SI2FA#3"}});
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
        /* 0 */ {0, 1000, full, 2887, 0},    /* 1 */ {1, 1000, full, 2887, 485},
        /* 2 */ {1, 1000, full, 2888, 0},    /* 3 */ {0, 1000, full, 2162, 363},
        /* 4 */ {2, 1000, full, 2424, 407},  /* 5 */ {2, 1000, full, 2425, 0},
        /* 6 */ {0, 2000, full, 2500, 420},  /* 7 */ {0, 2000, full, 4327, 0},
        /* 8 */ {0, 1000, 262144, 327, 110}, /* 9 */ {0, 1000, 262144, 1080, 363},
        /* 10 */ {0, 1000, 262144, 1081, 0},
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

// Sound as the card delivers it: 16-bit samples of a sum of sines, transformed as a pass does.
struct Partial
{
    double hertz;
    double amplitude;
};

void TransformSound(SpectrumDialog& s, UINT samples, const std::vector<Partial>& partials)
{
    std::vector<double> realIn(samples);
    std::vector<double> imagIn(samples, 0.0);
    for (UINT n = 0; n < samples; ++n)
    {
        double x = 0;
        for (const Partial& p : partials)
            x += p.amplitude * std::sin(2 * std::numbers::pi * p.hertz * n / 44100.0);
        realIn[n] = static_cast<short>(std::lround(x));
    }
    CFFT fft;
    fft.Transform(samples, 0, realIn.data(), imagIn.data(), s.dlg.RealOut, s.dlg.ImagOut);
}

TEST(FindPitch, SinesThroughTheTransform)
{
    // The sine's nearest bin is round(f * samples / 44,100), reported in whole hertz rounded down
    // at the full buffer's bin width (the strings themselves are the end-to-end table's
    // business): a short block of 110 Hz peaks at bin 327, which reads as 55 Hz.
    struct Case
    {
        UINT samples;
        std::vector<Partial> partials;
        double hertz;
    } cases[] = {
        /* 0 */ {262144, {{196, 8000}}, 195},             // bin 1,165
        /* 1 */ {262144, {{110, 300}, {220, 8000}}, 220}, // fundamental at most 3.9e7
        /* 2 */ {262144, {{110, 500}, {220, 8000}}, 110}, // fundamental about 6.5e7
        /* 3 */ {262144, {{400, 8000}}, 0},               // above the ceiling
        /* 4 */ {131072, {{110, 8000}}, 55},
    };
    SpectrumDialog s;
    ASSERT_TRUE(s.created);
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        s.ClearSpectrum();
        TransformSound(s, cases[i].samples, cases[i].partials);
        EXPECT_EQ(s.dlg.FindPitch(), cases[i].hertz) << "case " << i;
    }
}
} // namespace
