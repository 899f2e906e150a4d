// A wave-input test double: devices that record a chosen sound, with failures on demand and
// counters of what the client did. Installed for a scope with FakeWaveInInstall; while it is
// installed, every waveIn* call reaches it instead of ALSA.
//
//     afx::testing::FakeWaveIn fake({{.name = "Carte A", .source = FakeSource::Sine(110, 8000)}});
//     afx::testing::FakeWaveInInstall installed(fake);
//
// The double behaves as mmsystem.h describes (the core is the same); only what is recorded, and
// when, is its own. It records 16-bit mono, the tuner's format, at any rate; it refuses other
// formats with WAVERR_BADFORMAT. Thread-safe.
#pragma once

#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace afx::wavein
{
class Backend;
}

namespace afx::testing
{

// What a fake device records, one sample per index from the moment it is opened.
struct FakeSource
{
    // round(amplitude * sin(2 pi hertz n / rate)), clamped to the 16-bit range.
    static FakeSource Sine(double hertz, double amplitude);
    // The samples in turn, over and over.
    static FakeSource Recording(std::vector<std::int16_t> samples);
    // first, first + 1, ... wrapping around: shows any lost or repeated sample.
    static FakeSource Counter(std::int16_t first = 0);

    std::function<std::int16_t(std::uint64_t index, DWORD rate)> sample; // none: silence
};

enum class FakePacing
{
    // Each waveInAddBuffer that can take a block finds one complete: deterministic.
    AsFastAsPossible,
    // Sound arrives at the format's rate, from a thread of the device's own.
    RealTime,
    // A block is complete only when the test says so (FakeWaveIn::CompleteBlock).
    Manual
};

struct FakeDevice
{
    std::string name{}; // code page 1252; the library cuts it to MAXPNAMELEN - 1
    DWORD formats = WAVE_FORMAT_4M16;
    MMRESULT openResult = MMSYSERR_NOERROR;    // waveInOpen fails with this when not 0
    MMRESULT prepareResult = MMSYSERR_NOERROR; // waveInPrepareHeader fails with this when not 0
    std::string failureDetail{}; // added to the text of those failures, e.g. "Test : occupé"
    FakeSource source{};         // silence
    FakePacing pacing = FakePacing::AsFastAsPossible;
};

// What the client did to the double's devices, counted since the double was made.
struct FakeCounters
{
    int opens = 0;       // successful opens
    int failedOpens = 0; // opens refused by a device (openResult, or not 16-bit mono)
    int closes = 0;
    int starts = 0;
    int stops = 0;    // waveInStop calls
    int prepares = 0; // successful, on a header not yet prepared
    int failedPrepares = 0;
    int polls = 0;             // waveInAddBuffer calls that looked for a block
    int blocksDelivered = 0;   // blocks copied into a client's buffer
    UINT lastOpenedDevice = 0; // uDeviceID of the last open that reached a device
    int OpenNow() const { return opens - closes; }
};

namespace detail
{
struct FakeState;
}

class FakeWaveIn
{
public:
    explicit FakeWaveIn(std::vector<FakeDevice> devices = {});
    ~FakeWaveIn();
    FakeWaveIn(const FakeWaveIn&) = delete;
    FakeWaveIn& operator=(const FakeWaveIn&) = delete;

    // Takes effect at the next waveInGetNumDevs (the list stays stable until then); opens use
    // the new settings at once. WAVE_MAPPER opens the first device (MMSYSERR_NODRIVER without
    // one).
    void SetDevices(std::vector<FakeDevice> devices);

    FakeCounters Counters() const;

    // Manual pacing: completes one block, of the largest prepared header's length, on the most
    // recently opened device while it is open. False when that device is not manual, not
    // recording, or has no prepared header yet. Like a card, the device holds at most three
    // blocks: completing one more when it is full loses what it held (an overrun).
    bool CompleteBlock();

private:
    friend class FakeWaveInInstall;
    std::shared_ptr<detail::FakeState> state_;
};

// Installs `fake` as the wave-input back end for its lifetime, then restores the one before.
class FakeWaveInInstall
{
public:
    explicit FakeWaveInInstall(FakeWaveIn& fake);
    ~FakeWaveInInstall();
    FakeWaveInInstall(const FakeWaveInInstall&) = delete;
    FakeWaveInInstall& operator=(const FakeWaveInInstall&) = delete;

private:
    std::shared_ptr<wavein::Backend> previous_;
};

} // namespace afx::testing
