// Wave input: argument checks, handles, header states and error texts, over a back end.
#include "afxwavein.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <new>
#include <utility>

namespace afx::wavein
{

// --- BlockQueue ---------------------------------------------------------------------------

void BlockQueue::Reserve(std::size_t blockBytes)
{
    std::lock_guard lock(mutex_);
    block_ = std::max(block_, blockBytes);
    // Reserved now, so that the recording thread never allocates.
    bytes_.reserve((kHeldBlocks + 1) * block_);
}

std::size_t BlockQueue::Space() const
{
    std::lock_guard lock(mutex_);
    return (kHeldBlocks + 1) * block_ - bytes_.size();
}

std::size_t BlockQueue::Write(const void* data, std::size_t bytes)
{
    std::lock_guard lock(mutex_);
    bytes = std::min(bytes, (kHeldBlocks + 1) * block_ - bytes_.size());
    const auto* from = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), from, from + bytes);
    return bytes;
}

bool BlockQueue::Take(void* destination, std::size_t bytes)
{
    std::lock_guard lock(mutex_);
    if (bytes == 0 || bytes_.size() < bytes)
        return false;
    std::memcpy(destination, bytes_.data(), bytes);
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(bytes));
    return true;
}

void BlockQueue::DropPartial()
{
    std::lock_guard lock(mutex_);
    bytes_.resize(block_ == 0 ? 0 : bytes_.size() - bytes_.size() % block_);
}

void BlockQueue::Clear()
{
    std::lock_guard lock(mutex_);
    bytes_.clear();
}

// --- Per-thread failure record ------------------------------------------------------------

namespace
{

struct FailureRecord
{
    MMRESULT code = MMSYSERR_NOERROR;
    std::string detail;
};

thread_local FailureRecord lastFailure;
thread_local std::string pendingDetail;

// Brackets one public call: a detail left by the back end belongs to this call's failure.
class Call
{
public:
    Call() { pendingDetail.clear(); }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;
    MMRESULT Return(MMRESULT result)
    {
        if (result != MMSYSERR_NOERROR)
        {
            lastFailure.code = result;
            lastFailure.detail = std::move(pendingDetail);
        }
        pendingDetail.clear();
        return result;
    }
};

// --- Handles and the device list ----------------------------------------------------------

struct OpenDevice
{
    std::mutex mutex;
    std::unique_ptr<Stream> stream; // null once closed
    WAVEFORMATEX format{};
    std::vector<WAVEHDR*> queued;
};

struct Registry
{
    std::mutex devicesMutex; // the back ends and the device list
    std::shared_ptr<Backend> installed;
    std::shared_ptr<Backend> platform;
    const Driver* const* drivers = nullptr;
    std::vector<DeviceCaps> devices;
    bool listed = false;

    std::mutex handlesMutex;
    std::map<std::uintptr_t, std::shared_ptr<OpenDevice>> handles;
    std::uintptr_t nextHandle = 0x5710;
};

// What a program without a wave-input driver has: no device at all.
class NoDevices : public Backend
{
public:
    std::vector<DeviceCaps> Enumerate() override { return {}; }
    MMRESULT Open(const DeviceCaps*, const WAVEFORMATEX&, std::unique_ptr<Stream>&) override
    {
        return MMSYSERR_NODRIVER;
    }
};

Registry& TheRegistry()
{
    // Never destroyed: handles may outlive static destruction at exit.
    static Registry* registry = new Registry;
    return *registry;
}

// With devicesMutex held.
Backend& CurrentBackend(Registry& r)
{
    if (r.installed)
        return *r.installed;
    if (!r.platform)
    {
        for (const Driver* const* d = r.drivers; d != nullptr && *d != nullptr && !r.platform; ++d)
            r.platform = (*d)->create();
        if (!r.platform)
            r.platform = std::make_shared<NoDevices>();
    }
    return *r.platform;
}

// With devicesMutex held.
void EnsureListed(Registry& r)
{
    if (r.listed)
        return;
    r.devices = CurrentBackend(r).Enumerate();
    r.listed = true;
}

std::shared_ptr<OpenDevice> Find(HWAVEIN hwi)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.handlesMutex);
    const auto it = r.handles.find(reinterpret_cast<std::uintptr_t>(hwi));
    return it == r.handles.end() ? nullptr : it->second;
}

// The preamble of every call on a handle: the handle, the header when the call takes one, then
// `body` with the device's lock held, on a device not closed meanwhile.
template <typename Body>
MMRESULT OnDevice(HWAVEIN hwi, const WAVEHDR* pwh, UINT cbwh, bool takesHeader, Body body)
{
    Call call;
    const auto device = Find(hwi);
    if (!device)
        return call.Return(MMSYSERR_INVALHANDLE);
    if (takesHeader && (pwh == nullptr || cbwh != sizeof(WAVEHDR)))
        return call.Return(MMSYSERR_INVALPARAM);
    std::lock_guard lock(device->mutex);
    if (!device->stream)
        return call.Return(MMSYSERR_INVALHANDLE);
    return call.Return(body(*device));
}

template <typename Body> MMRESULT OnDevice(HWAVEIN hwi, Body body)
{
    return OnDevice(hwi, nullptr, 0, false, body);
}

// Hands every queued header back done, with the device's mutex held.
void ReturnQueued(OpenDevice& device)
{
    for (WAVEHDR* header : device.queued)
        header->dwFlags = (header->dwFlags & ~static_cast<DWORD>(WHDR_INQUEUE)) | WHDR_DONE;
    device.queued.clear();
}

bool FormatConsistent(const WAVEFORMATEX& f)
{
    if (f.wFormatTag != WAVE_FORMAT_PCM || f.nSamplesPerSec == 0)
        return false;
    if (f.nChannels != 1 && f.nChannels != 2)
        return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16)
        return false;
    const unsigned align = f.nChannels * f.wBitsPerSample / 8u;
    return f.nBlockAlign == align && static_cast<std::uint64_t>(f.nAvgBytesPerSec) ==
                                         static_cast<std::uint64_t>(f.nSamplesPerSec) * align;
}

// --- Texts ----------------------------------------------------------------------------------

struct CodeText
{
    MMRESULT code;
    const char* text;
};

constexpr CodeText kTexts[] = {
    {MMSYSERR_NOERROR, "La commande spécifiée a été exécutée."},
    {MMSYSERR_ERROR, "Erreur non spécifiée."},
    {MMSYSERR_BADDEVICEID, "L'identificateur de périphérique spécifié est hors limites."},
    {MMSYSERR_NOTENABLED, "Le pilote n'a pas pu être activé."},
    {MMSYSERR_ALLOCATED,
     "Le périphérique spécifié est déjà utilisé. Attendez qu'il soit libéré, puis "
     "réessayez."},
    {MMSYSERR_INVALHANDLE, "Le descripteur de périphérique spécifié n'est pas valide."},
    {MMSYSERR_NODRIVER,
     "Aucun pilote n'est installé pour ce périphérique, ou le périphérique n'est pas "
     "disponible."},
    {MMSYSERR_NOMEM, "Mémoire insuffisante pour effectuer cette tâche. Quittez une ou plusieurs "
                     "applications pour libérer de la mémoire, puis réessayez."},
    {MMSYSERR_NOTSUPPORTED, "Cette fonction n'est pas prise en charge par le périphérique."},
    {MMSYSERR_BADERRNUM, "Un numéro d'erreur hors limites a été spécifié."},
    {MMSYSERR_INVALFLAG, "Un indicateur non valide a été passé à une fonction système."},
    {MMSYSERR_INVALPARAM, "Un paramètre non valide a été passé à une fonction système."},
    {WAVERR_BADFORMAT, "Le format audio spécifié n'est pas pris en charge par le périphérique. "
                       "Choisissez un autre format ou un autre périphérique."},
    {WAVERR_STILLPLAYING,
     "Cette opération est impossible tant que le périphérique utilise la mémoire "
     "tampon. Arrêtez ou réinitialisez le périphérique, puis réessayez."},
    {WAVERR_UNPREPARED, "L'en-tête de la mémoire tampon n'a pas été préparé. Préparez-le, puis "
                        "réessayez."},
};

} // namespace

void SetDrivers(const Driver* const* drivers)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.devicesMutex);
    r.drivers = drivers;
    r.platform.reset();
    r.devices.clear();
    r.listed = false;
}

std::shared_ptr<Backend> InstallBackend(std::shared_ptr<Backend> backend)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.devicesMutex);
    std::shared_ptr<Backend> previous = std::move(r.installed);
    r.installed = std::move(backend);
    r.devices.clear();
    r.listed = false;
    return previous;
}

void SetFailureDetail(std::string text)
{
    pendingDetail = std::move(text);
}

} // namespace afx::wavein

using namespace afx::wavein;

extern "C" UINT waveInGetNumDevs(void)
{
    Registry& r = TheRegistry();
    std::lock_guard lock(r.devicesMutex);
    try
    {
        r.listed = false;
        EnsureListed(r);
    }
    catch (const std::bad_alloc&)
    {
        r.devices.clear();
    }
    return static_cast<UINT>(r.devices.size());
}

extern "C" MMRESULT waveInGetDevCapsA(UINT_PTR uDeviceID, LPWAVEINCAPSA pwic, UINT cbwic)
{
    Call call;
    if (cbwic == 0)
        return call.Return(MMSYSERR_NOERROR);
    if (pwic == nullptr)
        return call.Return(MMSYSERR_INVALPARAM);
    DeviceCaps caps;
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.devicesMutex);
        try
        {
            EnsureListed(r);
        }
        catch (const std::bad_alloc&)
        {
            return call.Return(MMSYSERR_NOMEM);
        }
        if (uDeviceID >= r.devices.size())
            return call.Return(MMSYSERR_BADDEVICEID);
        caps = r.devices[uDeviceID];
    }
    WAVEINCAPSA out{};
    const std::size_t length = std::min(caps.name.size(), std::size_t{MAXPNAMELEN - 1});
    std::memcpy(out.szPname, caps.name.data(), length);
    out.dwFormats = caps.formats;
    std::memcpy(pwic, &out, std::min<std::size_t>(cbwic, sizeof out));
    return call.Return(MMSYSERR_NOERROR);
}

extern "C" MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx,
                               DWORD_PTR dwCallback, DWORD_PTR dwInstance, DWORD fdwOpen)
{
    (void)dwCallback;
    (void)dwInstance;
    Call call;
    if (phwi != nullptr)
        *phwi = nullptr;
    if (fdwOpen != CALLBACK_NULL)
        return call.Return(MMSYSERR_INVALFLAG);
    if (phwi == nullptr || pwfx == nullptr)
        return call.Return(MMSYSERR_INVALPARAM);
    const WAVEFORMATEX format = *pwfx;

    Registry& r = TheRegistry();
    std::unique_ptr<Stream> stream;
    {
        std::lock_guard lock(r.devicesMutex);
        try
        {
            EnsureListed(r);
            const DeviceCaps* device = nullptr;
            if (uDeviceID != WAVE_MAPPER)
            {
                if (uDeviceID >= r.devices.size())
                    return call.Return(MMSYSERR_BADDEVICEID);
                device = &r.devices[uDeviceID];
            }
            if (!FormatConsistent(format))
                return call.Return(WAVERR_BADFORMAT);
            const MMRESULT opened = CurrentBackend(r).Open(device, format, stream);
            if (opened != MMSYSERR_NOERROR)
                return call.Return(opened);
        }
        catch (const std::bad_alloc&)
        {
            return call.Return(MMSYSERR_NOMEM);
        }
    }
    auto device = std::make_shared<OpenDevice>();
    device->stream = std::move(stream);
    device->format = format;
    std::lock_guard lock(r.handlesMutex);
    const std::uintptr_t value = r.nextHandle;
    r.nextHandle += 0x10;
    r.handles.emplace(value, std::move(device));
    *phwi = reinterpret_cast<HWAVEIN>(value);
    return call.Return(MMSYSERR_NOERROR);
}

extern "C" MMRESULT waveInClose(HWAVEIN hwi)
{
    Call call;
    std::shared_ptr<OpenDevice> device;
    {
        Registry& r = TheRegistry();
        std::lock_guard lock(r.handlesMutex);
        const auto it = r.handles.find(reinterpret_cast<std::uintptr_t>(hwi));
        if (it == r.handles.end())
            return call.Return(MMSYSERR_INVALHANDLE);
        device = std::move(it->second);
        r.handles.erase(it);
    }
    std::unique_ptr<Stream> closing;
    {
        std::lock_guard lock(device->mutex);
        ReturnQueued(*device);
        closing = std::move(device->stream);
    }
    closing.reset();
    return call.Return(MMSYSERR_NOERROR);
}

extern "C" MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh)
{
    return OnDevice(hwi, pwh, cbwh, true,
                    [pwh](OpenDevice& device) -> MMRESULT
                    {
                        if (pwh->dwFlags & WHDR_PREPARED)
                            return MMSYSERR_NOERROR;
                        if (pwh->lpData == nullptr || pwh->dwBufferLength == 0 ||
                            pwh->dwBufferLength % device.format.nBlockAlign != 0)
                            return MMSYSERR_INVALPARAM;
                        MMRESULT result;
                        try
                        {
                            result = device.stream->Prepare(pwh->dwBufferLength);
                        }
                        catch (const std::bad_alloc&)
                        {
                            result = MMSYSERR_NOMEM;
                        }
                        if (result == MMSYSERR_NOERROR)
                            pwh->dwFlags =
                                (pwh->dwFlags & ~static_cast<DWORD>(WHDR_DONE | WHDR_INQUEUE)) |
                                WHDR_PREPARED;
                        return result;
                    });
}

extern "C" MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh)
{
    return OnDevice(hwi, pwh, cbwh, true,
                    [pwh](OpenDevice&) -> MMRESULT
                    {
                        if (!(pwh->dwFlags & WHDR_PREPARED))
                            return MMSYSERR_NOERROR;
                        if (pwh->dwFlags & WHDR_INQUEUE)
                            return WAVERR_STILLPLAYING;
                        pwh->dwFlags &= ~static_cast<DWORD>(WHDR_PREPARED);
                        return MMSYSERR_NOERROR;
                    });
}

// With the device's lock held.
static MMRESULT AddBuffer(OpenDevice& device, WAVEHDR* pwh)
{
    if (!(pwh->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    auto& queued = device.queued;
    const auto mine = std::find(queued.begin(), queued.end(), pwh);
    if (pwh->dwFlags & WHDR_DONE)
    {
        // The client has had this block; it goes back empty even if another is complete.
        pwh->dwBytesRecorded = 0;
        pwh->dwFlags = (pwh->dwFlags & ~static_cast<DWORD>(WHDR_DONE)) | WHDR_INQUEUE;
        if (mine == queued.end())
            queued.push_back(pwh);
        return MMSYSERR_NOERROR;
    }
    const bool wasQueued = (pwh->dwFlags & WHDR_INQUEUE) != 0;
    if (wasQueued && mine == queued.end())
        return WAVERR_STILLPLAYING; // queued on another device
    if (!wasQueued)
    {
        pwh->dwBytesRecorded = 0;
        pwh->dwFlags |= WHDR_INQUEUE;
        queued.push_back(pwh);
    }
    if (device.stream->TakeBlock(pwh->lpData, pwh->dwBufferLength))
    {
        pwh->dwBytesRecorded = pwh->dwBufferLength;
        pwh->dwFlags = (pwh->dwFlags & ~static_cast<DWORD>(WHDR_INQUEUE)) | WHDR_DONE;
        queued.erase(std::find(queued.begin(), queued.end(), pwh));
        return MMSYSERR_NOERROR;
    }
    std::string detail;
    const MMRESULT failure = device.stream->Failure(detail);
    if (failure != MMSYSERR_NOERROR)
    {
        SetFailureDetail(std::move(detail));
        return failure;
    }
    return wasQueued ? WAVERR_STILLPLAYING : MMSYSERR_NOERROR;
}

extern "C" MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh)
{
    return OnDevice(hwi, pwh, cbwh, true,
                    [pwh](OpenDevice& device) { return AddBuffer(device, pwh); });
}

extern "C" MMRESULT waveInStart(HWAVEIN hwi)
{
    return OnDevice(hwi, [](OpenDevice& device) { return device.stream->Start(); });
}

extern "C" MMRESULT waveInStop(HWAVEIN hwi)
{
    return OnDevice(hwi,
                    [](OpenDevice& device) -> MMRESULT
                    {
                        device.stream->Stop();
                        ReturnQueued(device);
                        return MMSYSERR_NOERROR;
                    });
}

extern "C" MMRESULT waveInGetErrorTextA(MMRESULT mmrError, LPSTR pszText, UINT cchText)
{
    if (cchText == 0)
        return MMSYSERR_NOERROR;
    if (pszText == nullptr)
        return MMSYSERR_INVALPARAM;
    pszText[0] = '\0';
    const auto known = std::find_if(std::begin(kTexts), std::end(kTexts),
                                    [mmrError](const CodeText& t) { return t.code == mmrError; });
    if (known == std::end(kTexts))
        return MMSYSERR_BADERRNUM;
    std::string text = known->text;
    if (lastFailure.code == mmrError && !lastFailure.detail.empty())
        text += " (" + lastFailure.detail + ")";
    if (text.size() > MAXERRORLENGTH - 1)
        text.resize(MAXERRORLENGTH - 1);
    const std::size_t length = std::min<std::size_t>(text.size(), cchText - 1);
    std::memcpy(pszText, text.data(), length);
    pszText[length] = '\0';
    return MMSYSERR_NOERROR;
}
