// Radix-2 decimation in time, out of place, written the plain way on purpose: a tiled and
// vectorised version saved a few milliseconds per capture pass, one pass every few seconds, for
// several times the code. The output is defined to the last bit by these operations in this
// order: a rewrite for speed must keep both.
#include "StdAfx.h"
#include "FFT.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <numbers>

CFFT::CFFT() {}

CFFT::~CFFT() {}

int CFFT::IsPow2(UINT x)
{
    if (x < 2)
        return 0;
    if ((x & (x - 1)) != 0)
        return 0;
    return 1;
}

UINT CFFT::NumberOfBitsNeeded(UINT PowerOfTwo)
{
    if (PowerOfTwo < 2)
    {
        std::fprintf(stderr,
                     ">>> Erreur dans fftmisc: argument %d de NumberOfBitsNeeded est trop petit.\n",
                     static_cast<int>(PowerOfTwo));
        std::exit(1);
    }
    // The lowest set bit: for a power of two, its only one.
    for (UINT i = 0;; ++i)
    {
        if ((PowerOfTwo & (1u << i)) != 0)
            return i;
    }
}

UINT CFFT::BitReverse(UINT index, UINT NumBits)
{
    UINT rev = 0;
    for (UINT i = 0; i < NumBits; ++i)
    {
        rev = (rev << 1) | (index & 1u);
        index >>= 1;
    }
    return rev;
}

void CFFT::Transform(UINT NumSamples, int InverseTransform, double* RealIn, double* ImagIn,
                     double* RealOut, double* ImagOut)
{
    // Callers pass whatever they recorded; a size we cannot split in halves is not an error.
    if (!IsPow2(NumSamples))
        return;

    double AngleNumerator = 2.0 * std::numbers::pi;
    if (InverseTransform)
        AngleNumerator = -AngleNumerator;

    // Before anything is written, so that a bad call leaves the outputs as they were.
    RequirePointer(RealIn, "RealIn");
    RequirePointer(RealOut, "RealOut");
    RequirePointer(ImagOut, "ImagOut");

    const UINT NumBits = NumberOfBitsNeeded(NumSamples);
    // 64 bits, so that the block size can step past 2^31 and end the loop.
    const std::size_t n = NumSamples;

    for (std::size_t i = 0; i < n; ++i)
    {
        const std::size_t j = BitReverse(static_cast<UINT>(i), NumBits);
        RealOut[j] = RealIn[i];
        ImagOut[j] = ImagIn != nullptr ? ImagIn[i] : 0.0;
    }

    std::size_t half = 1;
    for (std::size_t blockSize = 2; blockSize <= n; blockSize <<= 1)
    {
        // cos(m delta) and sin(m delta) both obey f(m) = 2 cos(delta) f(m - 1) - f(m - 2), so
        // four library calls serve the whole stage instead of two per butterfly. Seeding at
        // -2 delta and -delta makes the first factor of a block 1 + 0i. The price is a rounding
        // drift that grows along the block.
        const double delta = AngleNumerator / static_cast<double>(blockSize);
        const double sm2 = std::sin(-2 * delta);
        const double sm1 = std::sin(-delta);
        const double cm2 = std::cos(-2 * delta);
        const double cm1 = std::cos(-delta);
        const double w = 2 * cm1;

        for (std::size_t start = 0; start < n; start += blockSize)
        {
            // Restarting from the seeds in every block keeps the drift to one block's length.
            double ar2 = cm2, ar1 = cm1;
            double ai2 = sm2, ai1 = sm1;
            for (std::size_t m = 0; m < half; ++m)
            {
                const double ar0 = w * ar1 - ar2;
                ar2 = ar1;
                ar1 = ar0;
                const double ai0 = w * ai1 - ai2;
                ai2 = ai1;
                ai1 = ai0;

                const std::size_t j = start + m;
                const std::size_t k = j + half;
                const double tr = ar0 * RealOut[k] - ai0 * ImagOut[k];
                const double ti = ar0 * ImagOut[k] + ai0 * RealOut[k];
                RealOut[k] = RealOut[j] - tr;
                ImagOut[k] = ImagOut[j] - ti;
                RealOut[j] = RealOut[j] + tr;
                ImagOut[j] = ImagOut[j] + ti;
            }
        }
        half = blockSize;
    }

    if (InverseTransform)
    {
        const double denominator = static_cast<double>(n);
        for (std::size_t k = 0; k < n; ++k)
        {
            RealOut[k] /= denominator;
            ImagOut[k] /= denominator;
        }
    }
}

void RequirePointer(void* p, const char* name)
{
    if (p != nullptr)
        return;
    std::fprintf(stderr, "Erreur dans fft_float():  %s == NULL\n", name);
    std::exit(1);
}
