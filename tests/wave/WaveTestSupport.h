// Helpers shared by the wave-input tests.
#pragma once

#include <mmsystem.h>

#include "Wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace wave_test
{

inline WAVEFORMATEX Format(DWORD rate = 44100, WORD channels = 1, WORD bits = 16)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

// A header over a buffer of its own, set up as the system's code does (flags 0).
struct Buffer
{
    explicit Buffer(DWORD bytes) : data(bytes, '\x5a')
    {
        header.lpData = data.data();
        header.dwBufferLength = bytes;
    }
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    std::vector<std::int16_t> Samples() const
    {
        std::vector<std::int16_t> out(header.dwBytesRecorded / 2);
        if (!out.empty())
            std::memcpy(out.data(), data.data(), out.size() * 2);
        return out;
    }

    std::vector<char> data;
    WAVEHDR header{};
};

inline std::string ErrorText(MMRESULT code, UINT size = 1000)
{
    std::vector<char> text(size, '\x01');
    if (waveInGetErrorTextA(code, text.data(), size) != MMSYSERR_NOERROR)
        return "<no text>";
    return text.data();
}

// Device names as the dialog would read them.
inline std::vector<std::string> DeviceNames()
{
    std::vector<std::string> names;
    const UINT count = waveInGetNumDevs();
    for (UINT i = 0; i < count; ++i)
    {
        WAVEINCAPSA caps{};
        if (waveInGetDevCapsA(i, &caps, sizeof caps) == MMSYSERR_NOERROR)
            names.push_back(caps.szPname);
    }
    return names;
}

using test_support::Watchdog;

} // namespace wave_test
