// The ALSA back end of wave input, as a program's entry names it.
#pragma once

#include "afxwavein.h"

namespace afx::wavein
{
// Every ALSA capture device, sound servers' included, named and ordered as alsawavein.cpp says.
extern const Driver kAlsaDriver;
// ALSA alone, for the programs that record without the whole entry (tests, benchmarks).
inline const Driver* const kAlsaDrivers[] = {&kAlsaDriver, nullptr};
} // namespace afx::wavein
