// The transform written plainly, one step after the other in the order the production code must
// reproduce bit for bit: bit-reversed copy, then one stage per block size with its four seeds and
// the three-term recurrence restarted at every block. For tests only.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

namespace fftref
{
inline std::uint32_t BitReverse(std::uint32_t index, std::uint32_t bits)
{
    std::uint32_t reversed = 0;
    for (std::uint32_t i = 0; i < bits; ++i)
    {
        reversed = (reversed << 1) | (index & 1u);
        index >>= 1;
    }
    return reversed;
}

// Sizes that are not a power of two of at least 2 are ignored; the arrays must not be null
// (imagIn excepted).
inline void Transform(std::uint32_t n, int inverse, const double* realIn, const double* imagIn,
                      double* realOut, double* imagOut)
{
    if (n < 2 || (n & (n - 1)) != 0)
        return;
    const double angle = inverse != 0 ? -2.0 * std::numbers::pi : 2.0 * std::numbers::pi;

    std::uint32_t bits = 0;
    while ((n & (1u << bits)) == 0)
        ++bits;

    for (std::uint32_t i = 0; i < n; ++i)
    {
        const std::uint32_t j = BitReverse(i, bits);
        realOut[j] = realIn[i];
        imagOut[j] = imagIn != nullptr ? imagIn[i] : 0.0;
    }

    std::uint64_t half = 1;
    for (std::uint64_t block = 2; block <= n; block <<= 1)
    {
        const double delta = angle / static_cast<double>(block);
        const double sm2 = std::sin(-2 * delta);
        const double sm1 = std::sin(-delta);
        const double cm2 = std::cos(-2 * delta);
        const double cm1 = std::cos(-delta);
        const double w = 2 * cm1;

        for (std::uint64_t start = 0; start < n; start += block)
        {
            double ar2 = cm2, ar1 = cm1;
            double ai2 = sm2, ai1 = sm1;
            for (std::uint64_t k = 0; k < half; ++k)
            {
                const double ar0 = w * ar1 - ar2;
                ar2 = ar1;
                ar1 = ar0;
                const double ai0 = w * ai1 - ai2;
                ai2 = ai1;
                ai1 = ai0;

                const std::uint64_t j = start + k;
                const std::uint64_t m = j + half;
                const double tr = ar0 * realOut[m] - ai0 * imagOut[m];
                const double ti = ar0 * imagOut[m] + ai0 * realOut[m];
                realOut[m] = realOut[j] - tr;
                imagOut[m] = imagOut[j] - ti;
                realOut[j] += tr;
                imagOut[j] += ti;
            }
        }
        half = block;
    }

    if (inverse != 0)
    {
        const double denominator = static_cast<double>(n);
        for (std::uint32_t k = 0; k < n; ++k)
        {
            realOut[k] /= denominator;
            imagOut[k] /= denominator;
        }
    }
}
} // namespace fftref
