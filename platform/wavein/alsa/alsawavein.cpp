// Wave input over ALSA: the device list from the name hints, and a recording thread per open
// device that reads without blocking (poll, with an eventfd to wake it) into a BlockQueue.
//
// Implemented:
//  [x] the device list: `default` first when it opens, then every PCM ALSA's name hints list for
//      capture (IOID "Input" or none), in ALSA's order, but `default` itself and the helpers that
//      process another device's sound rather than record (`null`, the rate converters `lavrate`,
//      `samplerate`, `speexrate` and their `_variant` forms, `upmix`, `vdownmix`, `dmix`,
//      `speex`, `a52`; the rule looks at the name before any ':' arguments); names from
//      alsanames.h; formats tested on a non-blocking open without resampling
//  [x] opening for exactly the client's format (S16_LE or U8, 1 or 2 channels, any rate),
//      without a rate converter
//  [x] recording on a thread of its own, named "wavein-alsa", that never blocks in a read and is
//      woken to stop; overruns restart it with fresh sound and drop what is older than the gap
//  [x] a device or sound server that goes away ends the thread with a failure the core reports
//  [x] ALSA's own text for a failure, in French where the layer has it, passed to the core
//  [ ] formats other than PCM, more than two channels, 24 or 32 bits (the tuner needs none)
//  [ ] callbacks of any kind, queries, channel counts and driver versions in the capabilities
//      (the tuner needs none; the core refuses the flags before the back end is asked)
//  [ ] device change notifications: the list is read again only when the client asks
#include "afxcp1252.h"
#include "afxalsa.h"
#include "afxwavein.h"
#include "alsanames.h"

#include <alsa/asoundlib.h>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace afx::wavein
{
namespace
{

// Every ALSA open asks for exactly the client's rate: a rate converter in between alters the
// samples.
constexpr int kOpenMode = SND_PCM_NONBLOCK | SND_PCM_NO_AUTO_RESAMPLE;
constexpr unsigned kBufferMicroseconds = 500000;
constexpr unsigned kPeriodMicroseconds = 50000;

// --- The one place where ALSA's errors become winmm's --------------------------------------

enum class Stage
{
    Open,   // opening a PCM
    Format, // setting its parameters
    Run     // starting or reading
};

MMRESULT Translate(int error, Stage stage)
{
    switch (-error)
    {
        case EBUSY:
        case EAGAIN:
            return MMSYSERR_ALLOCATED;
        case ENOMEM:
            return MMSYSERR_NOMEM;
        case ENOENT:
        case ENODEV:
        case ENXIO:
        case ECONNREFUSED:
        case ENOTCONN:
        case EHOSTDOWN:
            return MMSYSERR_NODRIVER;
        case EINVAL:
            return stage == Stage::Format ? WAVERR_BADFORMAT
                   : stage == Stage::Open ? MMSYSERR_NOTENABLED
                                          : MMSYSERR_ERROR;
        case EACCES:
        case EPERM:
            return MMSYSERR_NOTENABLED;
        case ENOSYS:
        case EOPNOTSUPP:
            return MMSYSERR_NOTSUPPORTED;
        default:
            return MMSYSERR_ERROR;
    }
}

std::string Detail(int error)
{
    return "ALSA : " + afx::Utf8ToCp1252(snd_strerror(error));
}

// Translates and leaves ALSA's own text for the failing call.
MMRESULT Report(int error, Stage stage)
{
    SetFailureDetail(Detail(error));
    return Translate(error, stage);
}

// --- The device list --------------------------------------------------------------------------

// Entries that process or discard another device's sound rather than record from a source of
// their own.
bool IsHelperEntry(std::string_view name)
{
    const std::string_view base = name.substr(0, name.find(':'));
    for (std::string_view helper : {"null", "upmix", "vdownmix", "dmix", "speex", "a52"})
        if (base == helper)
            return true;
    for (std::string_view converter : {"lavrate", "samplerate", "speexrate"})
        if (base == converter ||
            (base.size() > converter.size() && base.substr(0, converter.size()) == converter &&
             base[converter.size()] == '_'))
            return true;
    return false;
}

bool Takes(snd_pcm_t* pcm, const snd_pcm_hw_params_t* any, snd_pcm_format_t format,
           unsigned channels, unsigned rate)
{
    snd_pcm_hw_params_t* trial = nullptr;
    snd_pcm_hw_params_alloca(&trial); // on the stack: nothing to free, nothing to fail
    snd_pcm_hw_params_copy(trial, any);
    return snd_pcm_hw_params_set_access(pcm, trial, SND_PCM_ACCESS_RW_INTERLEAVED) == 0 &&
           snd_pcm_hw_params_set_format(pcm, trial, format) == 0 &&
           snd_pcm_hw_params_set_channels(pcm, trial, channels) == 0 &&
           snd_pcm_hw_params_set_rate_resample(pcm, trial, 0) == 0 &&
           snd_pcm_hw_params_test_rate(pcm, trial, rate, 0) == 0;
}

// Reads the formats `name` takes; false when it cannot be opened or asked.
bool ReadCaps(const std::string& name, DeviceCaps& caps)
{
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, kOpenMode) < 0)
        return false;
    snd_pcm_hw_params_t* any = nullptr;
    snd_pcm_hw_params_alloca(&any);
    const bool ok = snd_pcm_hw_params_any(pcm, any) >= 0;
    if (ok)
    {
        static const unsigned rates[] = {11025, 22050, 44100, 48000, 96000};
        caps.formats = 0;
        for (int r = 0; r < 5; ++r)
            for (int bits16 = 0; bits16 < 2; ++bits16)
                for (unsigned channels = 1; channels <= 2; ++channels)
                {
                    const snd_pcm_format_t format =
                        bits16 ? SND_PCM_FORMAT_S16_LE : SND_PCM_FORMAT_U8;
                    if (Takes(pcm, any, format, channels, rates[r]))
                        caps.formats |= static_cast<DWORD>(1)
                                        << (r * 4 + bits16 * 2 + static_cast<int>(channels - 1));
                }
        caps.id = name;
    }
    snd_pcm_close(pcm);
    return ok;
}

// ALSA's hints for the PCMs that may record (IOID "Input" or none), in its order.
std::vector<DeviceHint> CaptureHints()
{
    std::vector<DeviceHint> hints;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0)
        return hints;
    for (void** h = list; *h != nullptr; ++h)
    {
        char* name = snd_device_name_get_hint(*h, "NAME");
        char* description = snd_device_name_get_hint(*h, "DESC");
        char* ioid = snd_device_name_get_hint(*h, "IOID");
        if (name != nullptr && (ioid == nullptr || std::string_view(ioid) == "Input"))
            hints.push_back(
                {name, description ? description : "", std::string_view(name) == "default"});
        std::free(name);
        std::free(description);
        std::free(ioid);
    }
    snd_device_name_free_hint(list);
    return hints;
}

// --- Recording ----------------------------------------------------------------------------------

class AlsaStream final : public Stream
{
public:
    AlsaStream(snd_pcm_t* pcm, const WAVEFORMATEX& format, snd_pcm_uframes_t bufferFrames)
        : pcm_(pcm), frameBytes_(format.nBlockAlign),
          chunk_(static_cast<std::size_t>(bufferFrames) * format.nBlockAlign),
          wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), wakeError_(wake_ < 0 ? -errno : 0)
    {
    }

    ~AlsaStream() override
    {
        Stop();
        snd_pcm_close(pcm_);
        if (wake_ >= 0)
            close(wake_);
    }

    // 0, or why the wake-up could not be made.
    int WakeError() const { return wakeError_; }

    MMRESULT Start() override
    {
        if (thread_.joinable())
        {
            if (recording_.load())
                return MMSYSERR_NOERROR;
            thread_.join(); // ended by a failure: start afresh
        }
        const snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (state != SND_PCM_STATE_PREPARED)
        {
            const int prepared = snd_pcm_prepare(pcm_);
            if (prepared < 0)
                return Report(prepared, Stage::Run);
        }
        const int started = snd_pcm_start(pcm_);
        if (started < 0)
            return Report(started, Stage::Run);
        failure_.store(MMSYSERR_NOERROR);
        stopping_.store(false);
        recording_.store(true);
        thread_ = std::thread(
            [this]
            {
                Record();
                recording_.store(false);
            });
        return MMSYSERR_NOERROR;
    }

    void Stop() override
    {
        if (!thread_.joinable())
            return;
        stopping_.store(true);
        Wake();
        thread_.join();
        snd_pcm_drop(pcm_);
        queue_.DropPartial();
    }

    MMRESULT Prepare(DWORD bufferBytes) override
    {
        queue_.Reserve(bufferBytes);
        Wake(); // the recording thread may be waiting for room
        return MMSYSERR_NOERROR;
    }

    bool TakeBlock(void* destination, std::size_t bytes) override
    {
        if (!queue_.Take(destination, bytes))
            return false;
        Wake();
        return true;
    }

    MMRESULT Failure(std::string& detail) override
    {
        const MMRESULT failure = failure_.load();
        if (failure != MMSYSERR_NOERROR)
        {
            std::lock_guard lock(detailMutex_);
            detail = failureDetail_;
        }
        return failure;
    }

private:
    void Wake()
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
    }

    void Fail(int error)
    {
        {
            std::lock_guard lock(detailMutex_);
            failureDetail_ = Detail(error);
        }
        failure_.store(Translate(error, Stage::Run));
    }

    // The recording thread: waits for sound (or room, when the client is behind) and for the
    // wake-up, never in a blocking read.
    void Record()
    {
        pthread_setname_np(pthread_self(), "wavein-alsa"); // found by name in measurements
        const int count = snd_pcm_poll_descriptors_count(pcm_);
        if (count <= 0)
        {
            Fail(count < 0 ? count : -EIO);
            return;
        }
        std::vector<pollfd> fds(static_cast<std::size_t>(count) + 1);
        fds[0] = {wake_, POLLIN, 0};
        if (const int got = snd_pcm_poll_descriptors(pcm_, fds.data() + 1, count); got < 0)
        {
            Fail(got);
            return;
        }
        std::vector<unsigned char> chunk(chunk_);
        while (!stopping_.load())
        {
            const bool room = queue_.Space() >= frameBytes_;
            // Without room, only the wake-up is watched, else a readable PCM would spin us.
            const nfds_t watched = room ? fds.size() : 1;
            for (auto& fd : fds)
                fd.revents = 0;
            if (poll(fds.data(), watched, -1) < 0 && errno != EINTR)
            {
                Fail(-errno);
                return;
            }
            if (fds[0].revents & POLLIN)
            {
                std::uint64_t drained;
                [[maybe_unused]] const ssize_t got = read(wake_, &drained, sizeof drained);
            }
            if (stopping_.load() || !room)
                continue;
            unsigned short events = 0;
            if (snd_pcm_poll_descriptors_revents(pcm_, fds.data() + 1, count, &events) < 0)
                events = POLLIN; // let the read report the state
            if (!(events & (POLLIN | POLLERR)))
                continue;
            const std::size_t frames = std::min(queue_.Space(), chunk.size()) / frameBytes_;
            const snd_pcm_sframes_t got =
                snd_pcm_readi(pcm_, chunk.data(), static_cast<snd_pcm_uframes_t>(frames));
            if (got == -EAGAIN)
                continue;
            if (got == -EPIPE || got == -ESTRPIPE)
            {
                // Sound was lost: what is held is older than the gap, start again from now.
                queue_.Clear();
                const int recovered = snd_pcm_recover(pcm_, static_cast<int>(got), 1);
                const int restarted = recovered < 0 ? recovered : snd_pcm_start(pcm_);
                if (restarted < 0)
                {
                    Fail(restarted);
                    return;
                }
                continue;
            }
            if (got < 0)
            {
                Fail(static_cast<int>(got));
                return;
            }
            queue_.Write(chunk.data(), static_cast<std::size_t>(got) * frameBytes_);
        }
    }

    snd_pcm_t* pcm_;
    const std::size_t frameBytes_;
    const std::size_t chunk_;
    const int wake_;
    const int wakeError_;
    BlockQueue queue_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> recording_{false};
    std::atomic<MMRESULT> failure_{MMSYSERR_NOERROR};
    std::mutex detailMutex_;
    std::string failureDetail_;
};

// Sets exactly the client's format, no rate conversion; buffer about half a second.
int Configure(snd_pcm_t* pcm, const WAVEFORMATEX& format, snd_pcm_uframes_t& bufferFrames,
              Stage& stage)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    stage = Stage::Format;
    int e = snd_pcm_hw_params_any(pcm, hw);
    if (e >= 0)
        e = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (e >= 0)
        e = snd_pcm_hw_params_set_format(
            pcm, hw, format.wBitsPerSample == 16 ? SND_PCM_FORMAT_S16_LE : SND_PCM_FORMAT_U8);
    if (e >= 0)
        e = snd_pcm_hw_params_set_channels(pcm, hw, format.nChannels);
    if (e >= 0)
        e = snd_pcm_hw_params_set_rate_resample(pcm, hw, 0);
    if (e >= 0)
        e = snd_pcm_hw_params_set_rate(pcm, hw, format.nSamplesPerSec, 0);
    if (e < 0)
        return e;
    unsigned buffer = kBufferMicroseconds;
    unsigned period = kPeriodMicroseconds;
    int direction = 0;
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &buffer, &direction);
    direction = 0;
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &period, &direction);
    stage = Stage::Run;
    if ((e = snd_pcm_hw_params(pcm, hw)) < 0)
        return e;
    // The software parameters ALSA installs with these wake the poll once a period is in.
    snd_pcm_uframes_t periodFrames = 0;
    return snd_pcm_get_params(pcm, &bufferFrames, &periodFrames);
}

void Silent(const char*, int, const char*, int, const char*, ...) {}

class AlsaBackend final : public Backend
{
public:
    // ALSA writes its own diagnostics to stderr; the failing call's text reaches the user
    // through waveInGetErrorTextA instead.
    AlsaBackend() { snd_lib_error_set_handler(&Silent); }

    std::vector<DeviceCaps> Enumerate() override
    {
        // `default` first, whether ALSA hints at it or not, then the entries that record.
        std::vector<DeviceHint> hints{{"default", "", true}};
        for (DeviceHint& hint : CaptureHints())
            if (hint.isDefault)
                hints.front().description = std::move(hint.description);
            else if (!IsHelperEntry(hint.pcm))
                hints.push_back(std::move(hint));
        std::vector<DeviceCaps> devices;
        std::vector<DeviceHint> listed;
        for (DeviceHint& hint : hints)
        {
            DeviceCaps caps;
            if (!ReadCaps(hint.pcm, caps))
                continue;
            devices.push_back(caps);
            listed.push_back(std::move(hint));
        }
        const std::vector<std::string> names = DeviceNames(listed);
        for (std::size_t i = 0; i < devices.size(); ++i)
            devices[i].name = names[i];
        return devices;
    }

    MMRESULT Open(const DeviceCaps* device, const WAVEFORMATEX& format,
                  std::unique_ptr<Stream>& stream) override
    {
        const std::string name = device ? device->id : "default";
        snd_pcm_t* pcm = nullptr;
        const int opened = snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, kOpenMode);
        if (opened < 0)
            return Report(opened, Stage::Open);
        snd_pcm_uframes_t bufferFrames = 0;
        Stage stage = Stage::Format;
        const int configured = Configure(pcm, format, bufferFrames, stage);
        if (configured < 0)
        {
            snd_pcm_close(pcm);
            return Report(configured, stage);
        }
        auto alsa = std::make_unique<AlsaStream>(pcm, format, bufferFrames);
        if (const int error = alsa->WakeError(); error < 0)
            return Report(error, Stage::Open);
        stream = std::move(alsa);
        return MMSYSERR_NOERROR;
    }
};

} // namespace

namespace
{
std::unique_ptr<Backend> CreateAlsa()
{
    return std::make_unique<AlsaBackend>();
}
} // namespace

const Driver kAlsaDriver = {"alsa", CreateAlsa};

} // namespace afx::wavein
