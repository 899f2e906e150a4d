// CFFT: small known transforms, ignored sizes, accuracy against the definition and at the full
// block, and the argument errors that end the process.
#include "StdAfx.h"
#include "FFT.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace
{
const double kUnitRoundoff = std::numeric_limits<double>::epsilon() / 2;

struct Signal
{
    std::vector<double> re;
    std::vector<double> im;
};

Signal RandomSignal(std::size_t n, unsigned seed)
{
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    Signal s{std::vector<double>(n), std::vector<double>(n)};
    for (std::size_t i = 0; i < n; ++i)
    {
        s.re[i] = uniform(random);
        s.im[i] = uniform(random);
    }
    return s;
}

Signal Apply(UINT n, int inverse, Signal& in, bool withImag = true)
{
    Signal out{std::vector<double>(n), std::vector<double>(n)};
    CFFT fft;
    fft.Transform(n, inverse, in.re.data(), withImag ? in.im.data() : nullptr, out.re.data(),
                  out.im.data());
    return out;
}

// e^(sign 2 pi i j / n) for j = 0 to n - 1, in long double with exactly reduced angles.
std::vector<std::complex<long double>> Roots(std::size_t n, int sign)
{
    std::vector<std::complex<long double>> roots(n);
    for (std::size_t j = 0; j < n; ++j)
        roots[j] = std::polar(1.0L, sign * 2 * std::numbers::pi_v<long double> * j / n);
    return roots;
}

// The transform by its definition, in long double with exactly reduced angles: its own error
// (about N * 1e-19 per bin) is negligible beside the one measured.
std::vector<std::complex<long double>> SlowDft(const Signal& in, int inverse)
{
    const std::size_t n = in.re.size();
    const std::vector<std::complex<long double>> roots = Roots(n, inverse != 0 ? -1 : 1);
    std::vector<std::complex<long double>> out(n);
    for (std::size_t k = 0; k < n; ++k)
    {
        std::complex<long double> sum = 0;
        for (std::size_t j = 0; j < n; ++j)
            sum += std::complex<long double>(in.re[j], in.im[j]) * roots[(k * j) % n];
        out[k] = inverse != 0 ? sum / static_cast<long double>(n) : sum;
    }
    return out;
}

// A recursive radix-2 transform in long double over the exact roots of unity of the full size
// (`stride` apart at each level): as exact as the slow one for our purpose, and fast enough for
// 2^18 points.
void AccurateFft(std::vector<std::complex<long double>>& a,
                 const std::vector<std::complex<long double>>& roots, std::size_t stride = 1)
{
    const std::size_t half = a.size() / 2;
    if (half == 0)
        return;
    std::vector<std::complex<long double>> even(half), odd(half);
    for (std::size_t i = 0; i < half; ++i)
    {
        even[i] = a[2 * i];
        odd[i] = a[2 * i + 1];
    }
    AccurateFft(even, roots, 2 * stride);
    AccurateFft(odd, roots, 2 * stride);
    for (std::size_t k = 0; k < half; ++k)
    {
        const std::complex<long double> t = roots[k * stride] * odd[k];
        a[k] = even[k] + t;
        a[k + half] = even[k] - t;
    }
}

// ||ours - exact||_2 / ||exact||_2
double RelativeError(const Signal& ours, const std::vector<std::complex<long double>>& exact)
{
    long double error = 0;
    long double norm = 0;
    for (std::size_t k = 0; k < exact.size(); ++k)
    {
        error += std::norm(std::complex<long double>(ours.re[k], ours.im[k]) - exact[k]);
        norm += std::norm(exact[k]);
    }
    return static_cast<double>(std::sqrt(error / norm));
}

// Relative 2-norm error budget: each stage adds a few unit roundoffs u of arithmetic plus its
// twiddle factors' error; the three-term recurrence over a block of B points drifts by at most
// 2u (B/2) / sin(2 pi / B) < u B^2 (Chebyshev weights). Summed over B = 2 ... N: under
// (4/3) u N^2, plus 4u per stage; doubled for safety.
double ErrorBound(std::size_t n)
{
    const double stages = std::log2(static_cast<double>(n));
    const double nn = static_cast<double>(n) * static_cast<double>(n);
    return 2 * (4.0 / 3.0 * kUnitRoundoff * nn + 4 * kUnitRoundoff * stages);
}

TEST(FFTTest, SmallTransformsGiveTheirKnownSpectra)
{
    struct Case
    {
        int inverse;
        std::vector<double> realIn;
        std::vector<double> realOut;
        std::vector<double> imagOut;
    };
    const Case cases[] = {
        /* 0 */ {0, {3, 5}, {8, -2}, {0, 0}},
        /* 1: X[k] = i^k, the positive exponent */ {0, {0, 1, 0, 0}, {1, 0, -1, 0}, {0, 1, 0, -1}},
        /* 2: inverse includes the division */ {1, {1, 1, 1, 1}, {1, 0, 0, 0}, {0, 0, 0, 0}},
        /* 3: inverse, negative exponent */ {1, {0, 4, 0, 0}, {1, 0, -1, 0}, {0, -1, 0, 1}},
    };
    const double sentinel = -123.0;
    for (std::size_t i = 0; i < std::size(cases); ++i)
    {
        const Case& c = cases[i];
        const UINT n = static_cast<UINT>(c.realIn.size());
        // Outputs longer than the block: what lies past it belongs to the caller.
        std::vector<double> re(n + 2, sentinel), im(n + 2, sentinel);
        std::vector<double> realIn = c.realIn;
        CFFT().Transform(n, c.inverse, realIn.data(), nullptr, re.data(), im.data());
        for (UINT k = 0; k < n + 2; ++k)
        {
            EXPECT_NEAR(re[k], k < n ? c.realOut[k] : sentinel, 1e-14) << "case " << i << " " << k;
            EXPECT_NEAR(im[k], k < n ? c.imagOut[k] : sentinel, 1e-14) << "case " << i << " " << k;
        }
    }
}

TEST(FFTTest, SizesThatAreNotAPowerOfTwoAreIgnored)
{
    const UINT sizes[] = {0, 1, 3, 262143, 0x80000001u, 0xFFFFFFFFu};
    for (UINT n : sizes)
    {
        double realIn[4] = {1, 2, 3, 4};
        double imagIn[4] = {5, 6, 7, 8};
        std::vector<double> realOut{-1, -2, -3, -4}, imagOut{-5, -6, -7, -8};
        CFFT fft;
        fft.Transform(n, 0, realIn, imagIn, realOut.data(), imagOut.data());
        EXPECT_EQ(realOut, (std::vector<double>{-1, -2, -3, -4})) << "size " << n;
        EXPECT_EQ(imagOut, (std::vector<double>{-5, -6, -7, -8})) << "size " << n;
        // Not even the pointers are examined.
        fft.Transform(n, 1, nullptr, nullptr, nullptr, nullptr);
    }
}

TEST(FFTTest, AgreesWithTheDefinitionWithinTheErrorBudget)
{
    // Any non-zero flag is the inverse; an absent imaginary input is zeros.
    const struct
    {
        int inverse;
        bool withImag;
    } variants[] = {{0, true}, {1, true}, {0, false}, {1, false}, {-1, true}, {1000, true}};
    for (UINT n = 2; n <= 512; n *= 2)
        for (const auto& [inverse, withImag] : variants)
        {
            SCOPED_TRACE("size " + std::to_string(n) + " inverse " + std::to_string(inverse) +
                         (withImag ? "" : " without ImagIn"));
            Signal in = RandomSignal(n, 100 + n);
            const Signal before = in;
            const Signal ours = Apply(n, inverse, in, withImag);
            ASSERT_TRUE(in.re == before.re && in.im == before.im) << "input written";
            if (!withImag)
                std::fill(in.im.begin(), in.im.end(), 0.0);
            EXPECT_LT(RelativeError(ours, SlowDft(in, inverse)), ErrorBound(n));
        }
}

TEST(FFTTest, RecurrenceDriftAtTheFullBlockStaysBelowOneMillionth)
{
    // At 2^18 points the recurrence's factors drift by some 1e-7 in the last stage; the bound
    // above no longer says much there, so this measures the whole transform of a full capture
    // block against the accurate one.
    const UINT n = 262144;
    Signal in = RandomSignal(n, 18);
    std::vector<std::complex<long double>> exact(n);
    for (UINT k = 0; k < n; ++k)
        exact[k] = std::complex<long double>(in.re[k], in.im[k]);
    AccurateFft(exact, Roots(n, 1));
    EXPECT_LT(RelativeError(Apply(n, 0, in), exact), 1e-6);
}

// What the transforms above do not reach: the top bit, a size whose lowest bit is not its only
// one, and bit counts of 0 and 32 (bits above the count are ignored: 9 in 3 bits).
TEST(FFTTest, HelperFunctionsAtTheirLimits)
{
    CFFT fft;
    EXPECT_EQ(fft.IsPow2(0x80000000u), 1);
    EXPECT_EQ(fft.NumberOfBitsNeeded(0x80000000u), 31u);
    EXPECT_EQ(fft.NumberOfBitsNeeded(12), 2u);
    const std::tuple<UINT, UINT, UINT> reverse[] = {{9, 3, 4}, {5, 0, 0}, {1, 32, 0x80000000u}};
    for (const auto& [index, count, expected] : reverse)
        EXPECT_EQ(fft.BitReverse(index, count), expected)
            << "BitReverse(" << index << ", " << count << ")";
}

// The exit-time handler proves the normal exit path and that no output was written before it.
double* g_watched = nullptr;
void ReportWatched()
{
    std::fputs(g_watched != nullptr && g_watched[0] == -7.0 && g_watched[7] == -7.0 ? "untouched\n"
                                                                                    : "written\n",
               stderr);
}

TEST(FFTDeathTest, ArgumentErrorsAreNamedAndEndTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    static double in[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    static double out[8] = {-7, -7, -7, -7, -7, -7, -7, -7};
    static double out2[8];
    EXPECT_EXIT(CFFT().Transform(8, 0, nullptr, in, out, out2), ::testing::ExitedWithCode(1),
                "^Erreur dans fft_float\\(\\):  RealIn == NULL\n$");
    EXPECT_EXIT(CFFT().Transform(8, 0, in, nullptr, nullptr, nullptr), ::testing::ExitedWithCode(1),
                "^Erreur dans fft_float\\(\\):  RealOut == NULL\n$");
    EXPECT_EXIT(
        {
            g_watched = out;
            std::atexit(ReportWatched);
            CFFT().Transform(8, 1, in, in, out, nullptr);
        },
        ::testing::ExitedWithCode(1),
        "^Erreur dans fft_float\\(\\):  ImagOut == NULL\nuntouched\n$");
    EXPECT_EXIT(CFFT().NumberOfBitsNeeded(1), ::testing::ExitedWithCode(1),
                "^>>> Erreur dans fftmisc: argument 1 de NumberOfBitsNeeded est trop petit\\.\n$");
}
} // namespace
