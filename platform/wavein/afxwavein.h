// Wave input behind mmsystem.h: the back end's side of the contract (mmsystem.h has the
// client's), and the pieces of the portable core that back ends share. Internal to the layer and
// its test double.
//
// The core (afxwavein.cpp)
//   - does every argument check of mmsystem.h before a back end hears of a call: handles, flags,
//     header sizes and states, the format's consistency (PCM, 1 or 2 channels, 8 or 16 bits,
//     block alignment, byte rate), device numbers against the list it holds;
//   - keeps the handles, the device list (built from Enumerate at the times mmsystem.h gives),
//     the headers' states and the last failure's detail per thread;
//   - is the only one to write a client's buffer or header, in waveInAddBuffer, from the block a
//     stream hands over in TakeBlock.
// A back end
//   - lists devices (Enumerate) and opens them (Open); an open device is a Stream;
//   - records on a thread of its own, if it needs one, into a BlockQueue, and never touches a
//     client's buffer or header;
//   - reports failures as MMRESULT codes, with its own text through SetFailureDetail.
// Threads
//   Backend calls come one at a time (the core holds its lock around them), from whatever thread
//   the client calls on. Calls on one Stream come one at a time from the client's threads, while
//   the stream's own recording thread runs beside them: what the two share is the BlockQueue
//   (thread-safe) and whatever the stream guards itself. No call may wait for the client's
//   interface thread; Stop and the destructor must return promptly even when the device hangs.
#pragma once

#include <mmsystem.h>

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace afx::wavein
{

// Complete blocks a stream keeps waiting for the client, besides the one being filled.
inline constexpr std::size_t kHeldBlocks = 2;

// One entry of the device list.
struct DeviceCaps
{
    std::string id;   // the back end's own name for the device
    std::string name; // product name in code page 1252, any length (the core cuts it)
    DWORD formats = 0;
};

// A byte queue of recorded sound, filled by a recording thread and emptied block by block by the
// client's calls. Bounded: a writer gets only as much room as Space() says. Thread-safe.
class BlockQueue
{
public:
    // Makes room for kHeldBlocks + 1 blocks of the longest length it was given; keeps the
    // content. Throws std::bad_alloc.
    void Reserve(std::size_t blockBytes);
    std::size_t Space() const;
    // Appends at most Space() bytes; returns how many it took.
    std::size_t Write(const void* data, std::size_t bytes);
    // Moves the oldest `bytes` bytes to `destination` when at least that many are held.
    bool Take(void* destination, std::size_t bytes);
    // Drops the bytes past the last whole block of the reserved length.
    void DropPartial();
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<unsigned char> bytes_; // the oldest first
    std::size_t block_ = 0;
};

// An open device. The core destroys it on waveInClose, without calling Stop first.
class Stream
{
public:
    virtual ~Stream() = default; // must stop recording first and end the recording thread
    // waveInStart. Starts recording; starting a started stream does nothing.
    virtual MMRESULT Start() = 0;
    // waveInStop, waveInClose. Stops recording and drops the block being filled; stopping a
    // stopped stream does nothing. Must return promptly, the device hung or gone.
    virtual void Stop() = 0;
    // waveInPrepareHeader: a header of this length (the core has checked it is a non-zero
    // multiple of the format's block) was prepared. Blocks handed over from now on have this
    // length: the stream makes room for them (BlockQueue::Reserve).
    virtual MMRESULT Prepare(DWORD bufferBytes) = 0;
    // waveInAddBuffer, when the header may be filled: copies the next complete block of `bytes`
    // bytes into `destination` (the client's buffer, on the client's thread) and returns true, or
    // returns false at once when no block is complete. Never waits.
    virtual bool TakeBlock(void* destination, std::size_t bytes) = 0;
    // The failure that ended the recording thread, or MMSYSERR_NOERROR; `detail` gets the back
    // end's own text for it.
    virtual MMRESULT Failure(std::string& detail)
    {
        (void)detail;
        return MMSYSERR_NOERROR;
    }
};

class Backend
{
public:
    virtual ~Backend() = default;
    // waveInGetNumDevs (and the first call that needs the list): the devices, in the order the
    // client will number them. Devices whose capabilities cannot be read are left out.
    virtual std::vector<DeviceCaps> Enumerate() = 0;
    // waveInOpen: opens `device` (an entry of the last Enumerate; null for WAVE_MAPPER: the
    // default device) for `format`, which the core has found consistent PCM, into `stream`.
    // The device must take exactly that format, else WAVERR_BADFORMAT; busy
    // MMSYSERR_ALLOCATED; gone MMSYSERR_NODRIVER. Failures may leave a detail with
    // SetFailureDetail. Opening must not start recording.
    virtual MMRESULT Open(const DeviceCaps* device, const WAVEFORMATEX& format,
                          std::unique_ptr<Stream>& stream) = 0;
};

// One row of the program's table of wave-input drivers (see afxdrivers.h).
struct Driver
{
    const char* name;
    // Called at most once, under the core's lock, at the first call that needs a back end: the
    // back end, or null when this driver cannot serve here (the next row is tried then).
    std::unique_ptr<Backend> (*create)();
};

// The program's drivers, null-terminated, tried in order at first use; set by the program's
// entry before anything records. Without a driver that serves, there is no device: the list is
// empty and opening WAVE_MAPPER gives MMSYSERR_NODRIVER.
void SetDrivers(const Driver* const* drivers);

// Replaces the back end the drivers gave; null puts the drivers' back again. Returns the one
// replaced (null when it was the drivers'). The device list is built again at its next use;
// handles already open keep their streams.
std::shared_ptr<Backend> InstallBackend(std::shared_ptr<Backend> backend);

// Called by a back end during a failing call: its own text about the failure (code page 1252,
// e.g. "ALSA : Device or resource busy"), which waveInGetErrorTextA adds to the code's text.
void SetFailureDetail(std::string text);

} // namespace afx::wavein
