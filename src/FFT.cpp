// FFT.cpp : iterative radix-2 decimation-in-time transform, out of place
#include "StdAfx.h"
#include "FFT.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#ifdef _DEBUG
#define new DEBUG_NEW
#undef THIS_FILE
[[maybe_unused]] static char THIS_FILE[] = __FILE__;
#endif

// The butterflies of a stage run in a cache-friendly order, but every one of them computes the
// same expressions on the same values as the textbook order (bit-reversed copy, then each stage
// block by block, the twiddle recurrence restarted from its seeds at every block), so the results
// are identical to the last bit:
//   - the recurrence restarts identically in every block, so its n-th value is the same in all
//     blocks of a stage: it is computed once per run of kTile values and used for every block;
//   - stages of blocks up to 2^kChunkBits points only combine values inside one chunk of that
//     size, so each chunk goes through all of them while it sits in the cache.
namespace
{
const std::size_t kTile = 32;
const UINT kChunkBits = 10; // 1,024 points: 16 KiB of output, well inside a first-level cache

struct Seeds
{
    double c2, c1; // cos(-2 delta), cos(-delta)
    double s2, s1; // sin(-2 delta), sin(-delta)
    double w;      // 2 cos(-delta)
};

Seeds MakeSeeds(double angleNumerator, std::size_t blockSize)
{
    const double delta = angleNumerator / static_cast<double>(blockSize);
    Seeds seeds;
    seeds.s2 = std::sin(-2 * delta);
    seeds.s1 = std::sin(-delta);
    seeds.c2 = std::cos(-2 * delta);
    seeds.c1 = std::cos(-delta);
    seeds.w = 2 * seeds.c1;
    return seeds;
}

// One stage (blocks of 2 * half points) over re/im[0, length), length a multiple of the block.
void RunStage(double* re, double* im, std::size_t length, std::size_t half, const Seeds& seeds)
{
    const std::size_t blockSize = 2 * half;
    double p2 = seeds.c2, p1 = seeds.c1;
    double q2 = seeds.s2, q1 = seeds.s1;
    double wr[kTile];
    double wi[kTile];
    for (std::size_t first = 0; first < half; first += kTile)
    {
        const std::size_t count = half - first < kTile ? half - first : kTile;
        for (std::size_t t = 0; t < count; ++t)
        {
            const double r = seeds.w * p1 - p2;
            p2 = p1;
            p1 = r;
            const double i = seeds.w * q1 - q2;
            q2 = q1;
            q1 = i;
            wr[t] = r;
            wi[t] = i;
        }
        for (std::size_t block = 0; block < length; block += blockSize)
        {
            double* __restrict rj = re + block + first;
            double* __restrict ij = im + block + first;
            double* __restrict rk = rj + half;
            double* __restrict ik = ij + half;
            for (std::size_t t = 0; t < count; ++t)
            {
                const double tr = wr[t] * rk[t] - wi[t] * ik[t];
                const double ti = wr[t] * ik[t] + wi[t] * rk[t];
                rk[t] = rj[t] - tr;
                ik[t] = ij[t] - ti;
                rj[t] = rj[t] + tr;
                ij[t] = ij[t] + ti;
            }
        }
    }
}
} // namespace

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
    if (!IsPow2(NumSamples))
        return;

    double AngleNumerator = 2.0 * std::numbers::pi;
    if (InverseTransform)
        AngleNumerator = -AngleNumerator;

    RequirePointer(RealIn, "RealIn");
    RequirePointer(RealOut, "RealOut");
    RequirePointer(ImagOut, "ImagOut");

    const UINT NumBits = NumberOfBitsNeeded(NumSamples);
    const std::size_t n = NumSamples;

    // Bit-reversed copy; j steps through the reversed indexes by a reversed increment.
    {
        const std::size_t top = n >> 1;
        std::size_t j = 0;
        for (std::size_t i = 0; i < n; ++i)
        {
            RealOut[j] = RealIn[i];
            ImagOut[j] = ImagIn != nullptr ? ImagIn[i] : 0.0;
            std::size_t bit = top;
            while ((j & bit) != 0)
            {
                j ^= bit;
                bit >>= 1;
            }
            j |= bit;
        }
    }

    // Four sin/cos calls per stage, made once for the whole transform.
    Seeds seeds[32];
    for (UINT stage = 1; stage <= NumBits; ++stage)
        seeds[stage] = MakeSeeds(AngleNumerator, std::size_t{1} << stage);

    const UINT chunkStages = NumBits < kChunkBits ? NumBits : kChunkBits;
    const std::size_t chunk = std::size_t{1} << chunkStages;
    for (std::size_t base = 0; base < n; base += chunk)
    {
        for (UINT s = 1; s <= chunkStages; ++s)
            RunStage(RealOut + base, ImagOut + base, chunk, std::size_t{1} << (s - 1), seeds[s]);
    }
    for (UINT s = chunkStages + 1; s <= NumBits; ++s)
        RunStage(RealOut, ImagOut, n, std::size_t{1} << (s - 1), seeds[s]);

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
