// The discrete Fourier transform of a block of complex samples, and its inverse. No state: one
// object serves any number of calls, from any thread, on separate arrays.
#pragma once

#include <windows.h>

class CFFT
{
public:
    CFFT();
    virtual ~CFFT();

    // Forward (InverseTransform 0): X[k] = sum of x[n] e^(+2 pi i k n / N). Inverse (any other
    // value): the opposite sign, divided by N. ImagIn may be null (all zeros); a NumSamples that
    // is not a power of two of at least 2 is ignored. A null RealIn, RealOut or ImagOut ends the
    // process with status 1. The outputs must overlap neither each other nor the inputs.
    void Transform(UINT NumSamples, int InverseTransform, double* RealIn, double* ImagIn,
                   double* RealOut, double* ImagOut);

    // 1 when x is at least 2 and a power of two, else 0.
    int IsPow2(UINT x);
    // m for PowerOfTwo = 2^m (the lowest bit set); below 2 it ends the process with status 1.
    UINT NumberOfBitsNeeded(UINT PowerOfTwo);
    // The low NumBits bits of index in reverse order.
    UINT BitReverse(UINT index, UINT NumBits);
};

// Returns when p is not null; otherwise names it on the standard error stream and ends the
// process with status 1.
void RequirePointer(void* p, const char* name);
