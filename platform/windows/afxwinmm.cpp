// winmm's waveInAddBuffer under the layer's rule (mmsystem.h on Linux says it for the layer's own
// wave input): a header the device still holds is left alone, and one that came back complete is
// left alone once, so the client reads it whole before it goes back to the device. winmm itself
// (Wine's at least) starts a queued header over, and a capture loop that hands its one header
// back on every pass would then record nothing.
#include <windows.h>

#include <mmsystem.h>

#include <mutex>
#include <set>

#undef waveInAddBuffer

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
