// The names the sound-card list shows for ALSA's devices, worked out from their name hints alone
// (no ALSA call), so that they can be checked without a sound card.
//
// Every name fits a WAVEINCAPSA's szPname (31 bytes of code page 1252), says what the entry is,
// and no two names of one list are alike for the sorted combo box. The tuner opens the last entry
// of that box at start, so the default device's name is made to sort after the others (the rule
// is given with its label, in alsanames.cpp).
#pragma once

#include <string>
#include <vector>

namespace afx::wavein
{

// One listed device as ALSA hints at it: its PCM name ("pulse", "plughw:CARD=PCH,DEV=0"), its
// description (UTF-8, lines apart by '\n'), and whether it is the `default` PCM.
struct DeviceHint
{
    std::string pcm;
    std::string description;
    bool isDefault = false;
};

// The names of a whole list, in its order, told apart from one another.
std::vector<std::string> DeviceNames(const std::vector<DeviceHint>& hints);

} // namespace afx::wavein
