// winmm's waveInAddBuffer and waveInStop under the layer's rules for queued headers (mmsystem.h
// on Linux says them for the layer's own wave input):
//   - waveInAddBuffer leaves a header the device still holds alone, and one that came back
//     complete alone once, so the client reads it whole before it goes back to the device.
//     winmm itself (Wine's at least) starts a queued header over, and a capture loop that hands
//     its one header back on every pass would then record nothing.
//   - waveInStop hands every queued header back. winmm keeps empty ones queued, and a client
//     that then unprepares and frees its buffer (the unprepare fails, unread) leaves the device
//     writing into freed memory.
#include <windows.h>

#include <mmsystem.h>

#include <mutex>
#include <set>

#undef waveInAddBuffer
#undef waveInStop

namespace
{
std::mutex g_lock;
std::set<const WAVEHDR*> g_delivered; // complete headers the client has had once
} // namespace

MMRESULT AfxWaveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh)
{
    if (pwh != nullptr && cbwh == sizeof(WAVEHDR))
    {
        if (pwh->dwFlags & WHDR_INQUEUE)
            return WAVERR_STILLPLAYING;
        if (pwh->dwFlags & WHDR_DONE)
        {
            std::lock_guard<std::mutex> lock(g_lock);
            if (g_delivered.insert(pwh).second)
                return MMSYSERR_NOERROR;
            g_delivered.erase(pwh);
        }
    }
    return ::waveInAddBuffer(hwi, pwh, cbwh);
}

MMRESULT AfxWaveInStop(HWAVEIN hwi)
{
    const MMRESULT result = ::waveInStop(hwi);
    if (result != MMSYSERR_NOERROR)
        return result;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_delivered.clear();
    }
    return ::waveInReset(hwi);
}
