// Helpers shared by the wave-input tests.
#pragma once

#include <mmsystem.h>

#include "FakeWaveIn.h"
#include "Wait.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace wave_test
{

using afx::testing::FakePacing;
using afx::testing::FakeSource;
using afx::testing::FakeWaveIn;
using afx::testing::FakeWaveInInstall;
using test_support::Watchdog;

inline WAVEFORMATEX Format(DWORD rate = 44100, WORD channels = 1, WORD bits = 16)
{
    const WORD align = static_cast<WORD>(channels * bits / 8);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
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

inline std::string ErrorText(MMRESULT code)
{
    char text[MAXERRORLENGTH] = {};
    return waveInGetErrorTextA(code, text, sizeof text) == MMSYSERR_NOERROR ? text : "";
}

} // namespace wave_test
