// FFT.cpp : iterative radix-2 decimation-in-time transform, out of place
#include "StdAfx.h"
#include "FFT.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>

#ifdef _DEBUG
#define new DEBUG_NEW
#undef THIS_FILE
[[maybe_unused]] static char THIS_FILE[] = __FILE__;
#endif

// The butterflies run in a cache-friendly order, but each one computes the same expressions on
// the same values as the textbook order (bit-reversed copy, then each stage block by block with
// the twiddle recurrence restarted from its seeds at every block), so the results are identical
// to the last bit:
//   - the recurrence restarts identically in every block, so its n-th value is the same in all
//     blocks of a stage: it is computed once per run of kTile values and serves every block;
//   - a stage only combines values inside its own blocks, so a chunk of 2^k points can go through
//     all the stages of blocks up to 2^k points while it sits in a cache;
//   - two consecutive stages are done in one pass over the data: butterfly n of the smaller
//     blocks is followed by butterflies n and n + H of the larger ones, whose factors come from a
//     second copy of the larger stage's recurrence started H steps ahead, which repeats the same
//     operations and so yields the same values;
//   - element pairs go through SSE2 two at a time; each lane rounds as the scalar operation does.
// The bit-reversed copy moves the same values in another order.
namespace
{
const std::size_t kTile = 32;
const UINT kFirstLevelBits = 10;  // 1,024 points: 16 KiB of output, inside a first-level cache
const UINT kSecondLevelBits = 15; // 32,768 points: 512 KiB, inside a second-level cache
const UINT kGatherBits = 4;       // the bit-reversed copy moves tiles of 16 x 16 elements
const UINT kMaxStages = 32;

typedef double Pair __attribute__((vector_size(16)));

inline Pair Load(const double* p)
{
    Pair v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void Store(double* p, Pair v)
{
    std::memcpy(p, &v, sizeof v);
}

// (x, y) becomes (x + w y, x - w y), with t = w y formed as the textbook writes it.
template <class T> inline void Butterfly(T wr, T wi, T& xr, T& xi, T& yr, T& yi)
{
    const T tr = wr * yr - wi * yi;
    const T ti = wr * yi + wi * yr;
    yr = xr - tr;
    yi = xi - ti;
    xr = xr + tr;
    xi = xi + ti;
}

// The twiddle factors of one stage: cos and sin of n delta for n = 0, 1, ... by the three-term
// recurrence from the values at -2 delta and -delta.
class Recurrence
{
public:
    Recurrence() = default;
    Recurrence(double angleNumerator, std::size_t blockSize)
    {
        const double delta = angleNumerator / static_cast<double>(blockSize);
        // The stage's four calls of sin and cos.
        q2 = std::sin(-2 * delta);
        q1 = std::sin(-delta);
        p2 = std::cos(-2 * delta);
        p1 = std::cos(-delta);
        w = 2 * p1;
    }

    void Next(double& wr, double& wi)
    {
        wr = w * p1 - p2;
        p2 = p1;
        p1 = wr;
        wi = w * q1 - q2;
        q2 = q1;
        q1 = wi;
    }

    void Fill(double* wr, double* wi, std::size_t count)
    {
        for (std::size_t t = 0; t < count; ++t)
            Next(wr[t], wi[t]);
    }

    void Skip(std::size_t count)
    {
        double wr, wi;
        for (std::size_t t = 0; t < count; ++t)
            Next(wr, wi);
    }

private:
    double w = 0, p2 = 0, p1 = 0, q2 = 0, q1 = 0;
};

struct StagePlan
{
    Recurrence start[kMaxStages + 1];  // stage s (blocks of 2^s points) at n = 0
    Recurrence middle[kMaxStages + 1]; // stage s at n = 2^(s-2), for the second of a pair
};

// Stages whose blocks are 2^from to 2^to points: a single one first when their number is odd,
// where it costs least, then pairs.
template <class F> void ForEachStageGroup(UINT from, UINT to, F f)
{
    UINT s = from;
    if (to >= from && ((to - from + 1) & 1u) != 0)
        f(s++, false);
    for (; s < to; s += 2)
        f(s, true);
}

// One stage with half-blocks of `half` points over re/im[0, length).
void RunStage(double* re, double* im, std::size_t length, std::size_t half, Recurrence factors)
{
    alignas(16) double wr[kTile];
    alignas(16) double wi[kTile];
    for (std::size_t first = 0; first < half; first += kTile)
    {
        const std::size_t count = half - first < kTile ? half - first : kTile;
        factors.Fill(wr, wi, count);
        for (std::size_t block = first; block < length; block += 2 * half)
        {
            double* r0 = re + block;
            double* i0 = im + block;
            double* r1 = r0 + half;
            double* i1 = i0 + half;
            if (count == 1)
            {
                Butterfly(wr[0], wi[0], r0[0], i0[0], r1[0], i1[0]);
                continue;
            }
            for (std::size_t t = 0; t < count; t += 2)
            {
                Pair xr = Load(r0 + t), xi = Load(i0 + t);
                Pair yr = Load(r1 + t), yi = Load(i1 + t);
                Butterfly(Load(wr + t), Load(wi + t), xr, xi, yr, yi);
                Store(r0 + t, xr);
                Store(i0 + t, xi);
                Store(r1 + t, yr);
                Store(i1 + t, yi);
            }
        }
    }
}

// Two stages in one pass: half-blocks of `half` points, then of 2 * half.
void RunStagePair(double* re, double* im, std::size_t length, std::size_t half, Recurrence small,
                  Recurrence large, Recurrence largeAhead)
{
    alignas(16) double ar[kTile], ai[kTile]; // smaller blocks, n
    alignas(16) double br[kTile], bi[kTile]; // larger blocks, n
    alignas(16) double cr[kTile], ci[kTile]; // larger blocks, n + half
    for (std::size_t first = 0; first < half; first += kTile)
    {
        const std::size_t count = half - first < kTile ? half - first : kTile;
        small.Fill(ar, ai, count);
        large.Fill(br, bi, count);
        largeAhead.Fill(cr, ci, count);
        for (std::size_t block = first; block < length; block += 4 * half)
        {
            double* r0 = re + block;
            double* i0 = im + block;
            double* r1 = r0 + half;
            double* i1 = i0 + half;
            double* r2 = r1 + half;
            double* i2 = i1 + half;
            double* r3 = r2 + half;
            double* i3 = i2 + half;
            if (count == 1)
            {
                Butterfly(ar[0], ai[0], r0[0], i0[0], r1[0], i1[0]);
                Butterfly(ar[0], ai[0], r2[0], i2[0], r3[0], i3[0]);
                Butterfly(br[0], bi[0], r0[0], i0[0], r2[0], i2[0]);
                Butterfly(cr[0], ci[0], r1[0], i1[0], r3[0], i3[0]);
                continue;
            }
            for (std::size_t t = 0; t < count; t += 2)
            {
                Pair x0r = Load(r0 + t), x0i = Load(i0 + t);
                Pair x1r = Load(r1 + t), x1i = Load(i1 + t);
                Pair x2r = Load(r2 + t), x2i = Load(i2 + t);
                Pair x3r = Load(r3 + t), x3i = Load(i3 + t);
                const Pair wr = Load(ar + t), wi = Load(ai + t);
                Butterfly(wr, wi, x0r, x0i, x1r, x1i);
                Butterfly(wr, wi, x2r, x2i, x3r, x3i);
                Butterfly(Load(br + t), Load(bi + t), x0r, x0i, x2r, x2i);
                Butterfly(Load(cr + t), Load(ci + t), x1r, x1i, x3r, x3i);
                Store(r0 + t, x0r);
                Store(i0 + t, x0i);
                Store(r1 + t, x1r);
                Store(i1 + t, x1i);
                Store(r2 + t, x2r);
                Store(i2 + t, x2i);
                Store(r3 + t, x3r);
                Store(i3 + t, x3i);
            }
        }
    }
}

void RunStages(double* re, double* im, std::size_t length, UINT from, UINT to,
               const StagePlan& plan)
{
    ForEachStageGroup(from, to,
                      [&](UINT s, bool pair)
                      {
                          const std::size_t half = std::size_t{1} << (s - 1);
                          if (pair)
                              RunStagePair(re, im, length, half, plan.start[s], plan.start[s + 1],
                                           plan.middle[s + 1]);
                          else
                              RunStage(re, im, length, half, plan.start[s]);
                      });
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

void CFFT::BitReversedCopy(UINT NumBits, const double* RealIn, const double* ImagIn,
                           double* RealOut, double* ImagOut)
{
    const std::size_t n = std::size_t{1} << NumBits;
    if (NumBits < 2 * kGatherBits)
    {
        // j steps through the reversed indexes by a reversed increment.
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
        return;
    }
    // Index i = (high, middle, low) with high and low of kGatherBits bits reverses to
    // (rev low, rev middle, rev high). Each run of outputs is written in order and gathers its
    // inputs from a tile whose rows stay in the cache from one run to the next.
    const std::size_t side = std::size_t{1} << kGatherBits;
    std::size_t reversed[std::size_t{1} << kGatherBits];
    for (std::size_t k = 0; k < side; ++k)
        reversed[k] = BitReverse(static_cast<UINT>(k), kGatherBits);
    const UINT middleBits = NumBits - 2 * kGatherBits;
    const UINT highShift = NumBits - kGatherBits;
    for (std::size_t middle = 0; middle < (std::size_t{1} << middleBits); ++middle)
    {
        const std::size_t reversedMiddle =
            std::size_t{BitReverse(static_cast<UINT>(middle), middleBits)} << kGatherBits;
        for (std::size_t low = 0; low < side; ++low)
        {
            const std::size_t to = (reversed[low] << highShift) | reversedMiddle;
            const std::size_t from = (middle << kGatherBits) | low;
            for (std::size_t c = 0; c < side; ++c)
            {
                const std::size_t i = (reversed[c] << highShift) | from;
                RealOut[to + c] = RealIn[i];
                ImagOut[to + c] = ImagIn != nullptr ? ImagIn[i] : 0.0;
            }
        }
    }
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

    BitReversedCopy(NumBits, RealIn, ImagIn, RealOut, ImagOut);

    StagePlan plan;
    for (UINT s = 1; s <= NumBits; ++s)
        plan.start[s] = Recurrence(AngleNumerator, std::size_t{1} << s);

    // Stages up to the first cache level chunk by chunk, then up to the second, then the rest.
    const UINT first = NumBits < kFirstLevelBits ? NumBits : kFirstLevelBits;
    const UINT second = NumBits < kSecondLevelBits ? NumBits : kSecondLevelBits;
    const UINT ranges[3][2] = {{1, first}, {first + 1, second}, {second + 1, NumBits}};
    for (const auto& range : ranges)
    {
        ForEachStageGroup(range[0], range[1],
                          [&](UINT s, bool pair)
                          {
                              if (pair)
                              {
                                  plan.middle[s + 1] = plan.start[s + 1];
                                  plan.middle[s + 1].Skip(std::size_t{1} << (s - 1));
                              }
                          });
    }
    for (std::size_t base = 0; base < n; base += std::size_t{1} << first)
        RunStages(RealOut + base, ImagOut + base, std::size_t{1} << first, 1, first, plan);
    if (second > first)
    {
        for (std::size_t base = 0; base < n; base += std::size_t{1} << second)
            RunStages(RealOut + base, ImagOut + base, std::size_t{1} << second, first + 1, second,
                      plan);
    }
    if (NumBits > second)
        RunStages(RealOut, ImagOut, n, second + 1, NumBits, plan);

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
