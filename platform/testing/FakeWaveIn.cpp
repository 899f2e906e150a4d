#include "FakeWaveIn.h"

#include "afxwavein.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numbers>
#include <pthread.h>
#include <string>
#include <thread>
#include <utility>

namespace afx::testing
{

// --- Sources ----------------------------------------------------------------------------------

FakeSource FakeSource::Sine(double hertz, double amplitude)
{
    return {[=](std::uint64_t index, DWORD rate)
            {
                const double angle = 2.0 * std::numbers::pi * hertz * static_cast<double>(index) /
                                     static_cast<double>(rate);
                const double value = std::round(amplitude * std::sin(angle));
                return static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
            }};
}

FakeSource FakeSource::Recording(std::vector<std::int16_t> samples)
{
    auto shared = std::make_shared<const std::vector<std::int16_t>>(std::move(samples));
    return {[shared](std::uint64_t index, DWORD) -> std::int16_t
            { return shared->empty() ? 0 : (*shared)[index % shared->size()]; }};
}

FakeSource FakeSource::Counter(std::int16_t first)
{
    return {[first](std::uint64_t index, DWORD)
            {
                return static_cast<std::int16_t>(static_cast<std::uint16_t>(
                    static_cast<std::uint64_t>(static_cast<std::uint16_t>(first)) + index));
            }};
}

namespace detail
{

class FakeStream;

struct FakeState
{
    mutable std::mutex mutex; // taken before any stream's own
    std::vector<FakeDevice> devices;
    FakeCounters counters;
    FakeStream* latest = nullptr; // the last device opened, while it is open
};

// An open fake device: it never takes the state's lock while holding its own.
class FakeStream final : public wavein::Stream
{
public:
    FakeStream(std::shared_ptr<FakeState> state, const FakeDevice& device, DWORD rate)
        : state_(std::move(state)), source_(device.source), pacing_(device.pacing),
          prepareResult_(device.prepareResult), failureDetail_(device.failureDetail), rate_(rate)
    {
    }

    ~FakeStream() override
    {
        {
            std::lock_guard lock(state_->mutex);
            if (state_->latest == this)
                state_->latest = nullptr;
            ++state_->counters.closes;
        }
        Halt();
    }

    MMRESULT Start() override
    {
        Count(&FakeCounters::starts);
        std::lock_guard lock(mutex_);
        if (recording_)
            return MMSYSERR_NOERROR;
        recording_ = true;
        if (pacing_ == FakePacing::RealTime)
        {
            stopping_ = false;
            pacer_ = std::thread([this] { Pace(); });
        }
        return MMSYSERR_NOERROR;
    }

    void Stop() override
    {
        Count(&FakeCounters::stops);
        Halt();
    }

    MMRESULT Prepare(DWORD bytes) override
    {
        if (prepareResult_ != MMSYSERR_NOERROR)
        {
            Count(&FakeCounters::failedPrepares);
            wavein::SetFailureDetail(failureDetail_);
            return prepareResult_;
        }
        queue_.Reserve(bytes);
        {
            std::lock_guard lock(mutex_);
            block_ = std::max<std::size_t>(block_, bytes);
        }
        Count(&FakeCounters::prepares);
        return MMSYSERR_NOERROR;
    }

    bool TakeBlock(void* destination, std::size_t bytes) override
    {
        Count(&FakeCounters::polls);
        if (pacing_ == FakePacing::AsFastAsPossible)
        {
            // Every block is taken whole as soon as it is made, so nothing is held here.
            std::lock_guard lock(mutex_);
            if (recording_)
                Produce(bytes / sizeof(std::int16_t), false);
        }
        if (!queue_.Take(destination, bytes))
            return false;
        Count(&FakeCounters::blocksDelivered);
        return true;
    }

    // With the state's lock held, which keeps the stream from being closed meanwhile.
    bool CompleteBlock()
    {
        std::lock_guard lock(mutex_);
        if (pacing_ != FakePacing::Manual || !recording_ || block_ == 0)
            return false;
        Produce(block_ / sizeof(std::int16_t), true);
        return true;
    }

private:
    void Count(int FakeCounters::*counter)
    {
        std::lock_guard lock(state_->mutex);
        ++(state_->counters.*counter);
    }

    void Halt()
    {
        std::thread pacer;
        {
            std::lock_guard lock(mutex_);
            if (!recording_)
                return;
            recording_ = false;
            stopping_ = true;
            pacer = std::move(pacer_);
        }
        wake_.notify_all();
        if (pacer.joinable())
            pacer.join();
        queue_.DropPartial();
    }

    // Records `frames` more samples, with mutex_ held. `overrun`: when there is no room, lose
    // what is held first, as a card does when nobody reads it.
    void Produce(std::size_t frames, bool overrun)
    {
        std::vector<std::int16_t> samples(frames);
        for (std::int16_t& sample : samples)
            sample = source_.sample ? source_.sample(position_++, rate_) : 0;
        const std::size_t bytes = frames * sizeof(std::int16_t);
        if (overrun && queue_.Space() < bytes)
            queue_.Clear();
        queue_.Write(samples.data(), bytes);
    }

    // The real-time pacer: catches up with the clock every few milliseconds.
    void Pace()
    {
        pthread_setname_np(pthread_self(), "wavein-fake");
        using clock = std::chrono::steady_clock;
        const auto begin = clock::now();
        std::uint64_t produced = 0;
        std::unique_lock lock(mutex_);
        while (!stopping_)
        {
            wake_.wait_for(lock, std::chrono::milliseconds(5), [this] { return stopping_; });
            if (stopping_)
                break;
            const double seconds = std::chrono::duration<double>(clock::now() - begin).count();
            const auto due = static_cast<std::uint64_t>(seconds * rate_);
            if (due > produced)
            {
                Produce(static_cast<std::size_t>(due - produced), true);
                produced = due;
            }
        }
    }

    const std::shared_ptr<FakeState> state_;
    const FakeSource source_;
    const FakePacing pacing_;
    const MMRESULT prepareResult_;
    const std::string failureDetail_;
    const DWORD rate_;
    wavein::BlockQueue queue_;

    std::mutex mutex_; // recording_, stopping_, block_, position_, pacer_
    std::condition_variable wake_;
    bool recording_ = false;
    bool stopping_ = false;
    std::size_t block_ = 0;
    std::uint64_t position_ = 0;
    std::thread pacer_;
};

class FakeBackend final : public wavein::Backend
{
public:
    explicit FakeBackend(std::shared_ptr<FakeState> state) : state_(std::move(state)) {}

    std::vector<wavein::DeviceCaps> Enumerate() override
    {
        std::lock_guard lock(state_->mutex);
        std::vector<wavein::DeviceCaps> list;
        for (std::size_t i = 0; i < state_->devices.size(); ++i)
        {
            const FakeDevice& d = state_->devices[i];
            list.push_back({std::to_string(i), d.name, d.formats});
        }
        return list;
    }

    MMRESULT Open(const wavein::DeviceCaps* device, const WAVEFORMATEX& format,
                  std::unique_ptr<wavein::Stream>& stream) override
    {
        std::lock_guard lock(state_->mutex);
        const std::size_t index = device ? std::stoul(device->id) : 0;
        if (index >= state_->devices.size())
            return MMSYSERR_NODRIVER;
        FakeCounters& counters = state_->counters;
        // An entry's place in the core's list is the number the client passed.
        counters.lastOpenedDevice = device ? static_cast<UINT>(index) : WAVE_MAPPER;
        const FakeDevice& d = state_->devices[index];
        if (d.openResult != MMSYSERR_NOERROR)
        {
            ++counters.failedOpens;
            wavein::SetFailureDetail(d.failureDetail);
            return d.openResult;
        }
        if (format.nChannels != 1 || format.wBitsPerSample != 16)
        {
            ++counters.failedOpens;
            return WAVERR_BADFORMAT;
        }
        auto fake = std::make_unique<FakeStream>(state_, d, format.nSamplesPerSec);
        state_->latest = fake.get();
        stream = std::move(fake);
        ++counters.opens;
        return MMSYSERR_NOERROR;
    }

private:
    std::shared_ptr<FakeState> state_;
};

} // namespace detail

// --- FakeWaveIn -------------------------------------------------------------------------------

FakeWaveIn::FakeWaveIn(std::vector<FakeDevice> devices)
    : state_(std::make_shared<detail::FakeState>())
{
    state_->devices = std::move(devices);
}

FakeWaveIn::~FakeWaveIn() = default;

void FakeWaveIn::SetDevices(std::vector<FakeDevice> devices)
{
    std::lock_guard lock(state_->mutex);
    state_->devices = std::move(devices);
}

FakeCounters FakeWaveIn::Counters() const
{
    std::lock_guard lock(state_->mutex);
    return state_->counters;
}

bool FakeWaveIn::CompleteBlock()
{
    std::lock_guard lock(state_->mutex);
    return state_->latest != nullptr && state_->latest->CompleteBlock();
}

// --- FakeWaveInInstall ------------------------------------------------------------------------

FakeWaveInInstall::FakeWaveInInstall(FakeWaveIn& fake)
    : previous_(wavein::InstallBackend(std::make_shared<detail::FakeBackend>(fake.state_)))
{
}

FakeWaveInInstall::~FakeWaveInInstall()
{
    wavein::InstallBackend(std::move(previous_));
}

} // namespace afx::testing
