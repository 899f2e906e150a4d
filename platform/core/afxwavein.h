// Wave input behind mmsystem.h: the interface a back end implements, and the pieces of the
// portable core that back ends share. Internal to the layer (and its test double).
//
// The core (afxwavein.cpp) does every argument check, keeps the handles, the device list and
// the headers' states, and writes the client's buffers; a back end only lists devices, opens
// them and records into a BlockQueue. Threads: Backend calls come one at a time (the core
// serialises them); Stream calls for one stream come one at a time from whatever thread the
// client uses, while the stream's own recording thread, if any, runs beside them.
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
    WORD channels = 0;
    MMVERSION driverVersion = 0;
    bool isDefault = false; // the device WAVE_MAPPER stands for
};

// The WAVE_FORMAT_* bit a PCM format stands for, or 0 when it has none.
DWORD FormatBit(const WAVEFORMATEX& format);

// A byte queue of recorded sound, filled by a recording thread and emptied block by block by the
// client's calls. Bounded: a writer gets only as much room as Space() says. Thread-safe.
class BlockQueue
{
public:
    // Makes room for kHeldBlocks + 1 blocks of this length (never shrinks); keeps the content.
    // Throws std::bad_alloc.
    void Reserve(std::size_t blockBytes);
    std::size_t Space() const;
    std::size_t Held() const;
    // Appends at most Space() bytes; returns how many it took.
    std::size_t Write(const void* data, std::size_t bytes);
    // Moves the oldest `bytes` bytes to `destination` when at least that many are held.
    bool Take(void* destination, std::size_t bytes);
    // Drops the bytes past the last whole block of the reserved length.
    void DropPartial();
    void Clear();

private:
    mutable std::mutex mutex_;
    std::vector<unsigned char> ring_;
    std::size_t head_ = 0;
    std::size_t held_ = 0;
    std::size_t block_ = 0;
};

// An open device.
class Stream
{
public:
    virtual ~Stream() = default; // stops recording first
    // Starts recording; starting a started stream does nothing.
    virtual MMRESULT Start() = 0;
    // Stops recording, drops the block being filled; stopping a stopped stream does nothing.
    // Returns promptly.
    virtual void Stop() = 0;
    // Drops everything recorded (after Stop).
    virtual void Discard() = 0;
    // A header of this length was prepared / unprepared.
    virtual MMRESULT Prepare(DWORD bufferBytes) = 0;
    virtual void Unprepare(DWORD bufferBytes) { (void)bufferBytes; }
    // Every waveInAddBuffer that reaches the stream, before its header is looked at.
    virtual void AddBufferCalled() {}
    // Copies the next complete block of `bytes` bytes into `destination`, if there is one.
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
    virtual std::vector<DeviceCaps> Enumerate() = 0;
    // Opens `device` (null: the default device) for `format`, a consistent PCM format. With
    // `queryOnly` it only finds out whether it could, and leaves `stream` empty. `deviceId` is
    // the number the client passed. Failures may leave a detail with SetFailureDetail.
    virtual MMRESULT Open(UINT deviceId, const DeviceCaps* device, const WAVEFORMATEX& format,
                          bool queryOnly, std::unique_ptr<Stream>& stream) = 0;
};

// Replaces the back end; null puts the platform's own back again. Returns the one replaced
// (null when it was the platform's own). The device list is built again at its next use;
// handles already open keep their streams.
std::shared_ptr<Backend> InstallBackend(std::shared_ptr<Backend> backend);

// The platform's own back end (ALSA), defined by it.
std::unique_ptr<Backend> CreatePlatformBackend();

// Called by a back end during a failing call: its own text about the failure (code page 1252,
// e.g. "ALSA : Device or resource busy"), which waveInGetErrorTextA adds to the code's text.
void SetFailureDetail(std::string text);

} // namespace afx::wavein
