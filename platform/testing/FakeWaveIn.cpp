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

FakeSource FakeSource::Silence()
{
    return FakeSource{};
}

FakeSource FakeSource::Sine(double hertz, double amplitude, double phase)
{
    FakeSource s;
    s.kind_ = Kind::Sine;
    s.hertz_ = hertz;
    s.amplitude_ = amplitude;
    s.phase_ = phase;
    return s;
}

FakeSource FakeSource::Recording(std::vector<std::int16_t> samples, bool loop)
{
    FakeSource s;
    s.kind_ = Kind::Recording;
    s.samples_ = std::make_shared<const std::vector<std::int16_t>>(std::move(samples));
    s.loop_ = loop;
    return s;
}

FakeSource FakeSource::Counter(std::int16_t first)
{
    FakeSource s;
    s.kind_ = Kind::Counter;
    s.first_ = first;
    return s;
}

std::int16_t FakeSource::Sample(std::uint64_t index, DWORD rate) const
{
    switch (kind_)
    {
        case Kind::Silence:
            return 0;
        case Kind::Sine:
        {
            const double angle = 2.0 * std::numbers::pi * hertz_ * static_cast<double>(index) /
                                     static_cast<double>(rate) +
                                 phase_;
            const double value = std::round(amplitude_ * std::sin(angle));
            return static_cast<std::int16_t>(std::clamp(value, -32768.0, 32767.0));
        }
        case Kind::Recording:
        {
            const auto& samples = *samples_;
            if (samples.empty())
                return 0;
            if (index >= samples.size() && !loop_)
                return 0;
            return samples[index % samples.size()];
        }
        case Kind::Counter:
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(
                static_cast<std::uint64_t>(static_cast<std::uint16_t>(first_)) + index));
    }
    return 0;
}

namespace detail
{

class FakeStream;

struct FakeState
{
    mutable std::mutex mutex;
    std::vector<FakeDevice> devices;
    int mapper = 0;
    FakeCounters counters;
    std::vector<std::weak_ptr<FakeStream>> open; // in opening order
};

// The recording side of an open fake device. Owned by the core through a thin Stream that
// forwards to it, so that CompleteBlock can reach it while it is open.
class FakeStream : public std::enable_shared_from_this<FakeStream>
{
public:
    FakeStream(std::shared_ptr<FakeState> state, const FakeDevice& device,
               const WAVEFORMATEX& format)
        : state_(std::move(state)), source_(device.source), pacing_(device.pacing),
          prepareResult_(device.prepareResult), failureDetail_(device.failureDetail),
          format_(format)
    {
    }

    ~FakeStream() { Stop(); }

    MMRESULT Start()
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

    void Stop()
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

    void Discard() { queue_.Clear(); }

    MMRESULT Prepare(DWORD bytes)
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

    bool TakeBlock(void* destination, std::size_t bytes)
    {
        if (pacing_ == FakePacing::AsFastAsPossible)
        {
            std::lock_guard lock(mutex_);
            const std::size_t held = queue_.Held();
            if (recording_ && held < bytes)
                Produce((bytes - held) / format_.nBlockAlign, false);
        }
        if (!queue_.Take(destination, bytes))
            return false;
        Count(&FakeCounters::blocksDelivered);
        return true;
    }

    bool CompleteBlock()
    {
        std::lock_guard lock(mutex_);
        if (pacing_ != FakePacing::Manual || !recording_ || block_ == 0)
            return false;
        Produce(block_ / format_.nBlockAlign, true);
        return true;
    }

    void Count(int FakeCounters::*counter)
    {
        std::lock_guard lock(state_->mutex);
        ++(state_->counters.*counter);
    }

private:
    // Records `frames` more frames, with mutex_ held. `overrun`: when there is no room, lose
    // what is held first, as a card does when nobody reads it.
    void Produce(std::size_t frames, bool overrun)
    {
        const unsigned channels = format_.nChannels;
        const bool wide = format_.wBitsPerSample == 16;
        std::vector<unsigned char> bytes;
        bytes.reserve(frames * format_.nBlockAlign);
        for (std::size_t f = 0; f < frames; ++f)
        {
            const std::int16_t sample = source_.Sample(position_++, format_.nSamplesPerSec);
            for (unsigned c = 0; c < channels; ++c)
            {
                if (wide)
                {
                    const auto u = static_cast<std::uint16_t>(sample);
                    bytes.push_back(static_cast<unsigned char>(u & 0xff));
                    bytes.push_back(static_cast<unsigned char>(u >> 8));
                }
                else
                    bytes.push_back(static_cast<unsigned char>((sample >> 8) + 128));
            }
        }
        if (overrun && queue_.Space() < bytes.size())
            queue_.Clear();
        queue_.Write(bytes.data(), bytes.size());
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
            const auto due = static_cast<std::uint64_t>(seconds * format_.nSamplesPerSec);
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
    const WAVEFORMATEX format_;
    wavein::BlockQueue queue_;

    std::mutex mutex_; // recording_, stopping_, block_, position_, pacer_
    std::condition_variable wake_;
    bool recording_ = false;
    bool stopping_ = false;
    std::size_t block_ = 0;
    std::uint64_t position_ = 0;
    std::thread pacer_;
};

class StreamHandle final : public wavein::Stream
{
public:
    explicit StreamHandle(std::shared_ptr<FakeStream> stream) : stream_(std::move(stream)) {}
    ~StreamHandle() override
    {
        stream_->Stop();
        stream_->Count(&FakeCounters::closes);
    }
    MMRESULT Start() override { return stream_->Start(); }
    void Stop() override
    {
        stream_->Count(&FakeCounters::stops);
        stream_->Stop();
    }
    void Discard() override
    {
        stream_->Count(&FakeCounters::resets);
        stream_->Discard();
    }
    MMRESULT Prepare(DWORD bytes) override { return stream_->Prepare(bytes); }
    void Unprepare(DWORD) override { stream_->Count(&FakeCounters::unprepares); }
    void AddBufferCalled() override { stream_->Count(&FakeCounters::addBuffers); }
    bool TakeBlock(void* destination, std::size_t bytes) override
    {
        return stream_->TakeBlock(destination, bytes);
    }

private:
    std::shared_ptr<FakeStream> stream_;
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
            wavein::DeviceCaps caps;
            caps.id = std::to_string(i);
            caps.name = d.name;
            caps.formats = d.formats;
            caps.channels = d.channels;
            caps.driverVersion = 0x0100;
            caps.isDefault = static_cast<int>(i) == state_->mapper;
            list.push_back(std::move(caps));
        }
        return list;
    }

    MMRESULT Open(UINT deviceId, const wavein::DeviceCaps* device, const WAVEFORMATEX& format,
                  bool queryOnly, std::unique_ptr<wavein::Stream>& stream) override
    {
        std::lock_guard lock(state_->mutex);
        const int index = device ? std::stoi(device->id) : state_->mapper;
        if (index < 0 || static_cast<std::size_t>(index) >= state_->devices.size())
            return MMSYSERR_NODRIVER;
        FakeCounters& counters = state_->counters;
        counters.lastOpenedDevice = deviceId;
        counters.anyOpened = true;
        const FakeDevice& d = state_->devices[static_cast<std::size_t>(index)];
        if (d.openResult != MMSYSERR_NOERROR)
        {
            ++counters.failedOpens;
            wavein::SetFailureDetail(d.failureDetail);
            return d.openResult;
        }
        if ((wavein::FormatBit(format) & d.formats) == 0)
        {
            ++counters.failedOpens;
            return WAVERR_BADFORMAT;
        }
        if (queryOnly)
        {
            ++counters.queries;
            return MMSYSERR_NOERROR;
        }
        auto fake = std::make_shared<FakeStream>(state_, d, format);
        state_->open.push_back(fake);
        stream = std::make_unique<StreamHandle>(std::move(fake));
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

void FakeWaveIn::SetMapperDevice(int index)
{
    std::lock_guard lock(state_->mutex);
    state_->mapper = index;
}

FakeCounters FakeWaveIn::Counters() const
{
    std::lock_guard lock(state_->mutex);
    return state_->counters;
}

bool FakeWaveIn::CompleteBlock()
{
    std::shared_ptr<detail::FakeStream> latest;
    {
        std::lock_guard lock(state_->mutex);
        auto& open = state_->open;
        open.erase(std::remove_if(open.begin(), open.end(),
                                  [](const auto& weak) { return weak.expired(); }),
                   open.end());
        if (!open.empty())
            latest = open.back().lock();
    }
    return latest && latest->CompleteBlock();
}

// --- FakeWaveInInstall ------------------------------------------------------------------------

struct FakeWaveInInstall::Previous
{
    std::shared_ptr<wavein::Backend> backend;
};

FakeWaveInInstall::FakeWaveInInstall(FakeWaveIn& fake) : previous_(std::make_unique<Previous>())
{
    previous_->backend = wavein::InstallBackend(std::make_shared<detail::FakeBackend>(fake.state_));
}

FakeWaveInInstall::~FakeWaveInInstall()
{
    wavein::InstallBackend(std::move(previous_->backend));
}

} // namespace afx::testing
