// Wave input, shaped as the Windows multimedia library's (winmm) and implemented by the layer:
// over the platform's back end (ALSA) by default, or over a test double installed through the
// layer's C++ API. This is the client's side of the contract; the back end's side is in
// platform/wavein/afxwavein.h.
//
// ---------------------------------------------------------------------------------------------
// The contract
// ---------------------------------------------------------------------------------------------
//
// Devices
//   Devices are numbered from 0 in the order of the device list. The list is built at the first
//   call that needs it and built again at every later waveInGetNumDevs, never in between: a
//   caller that asks for the count once and then walks the numbers (as a dialog filling a list
//   does) sees one stable list, and the numbers it keeps stay valid until it asks for the count
//   again. A device whose capabilities cannot be read (one that cannot be opened at that moment)
//   is left out, so waveInGetNumDevs and waveInGetDevCapsA always agree.
//
//   The list is the platform back end's: what each entry is, its order and its product name
//   are its own (over ALSA, see platform/wavein/alsa/alsawavein.cpp). The product name is in
//   code page 1252 and fits MAXPNAMELEN - 1 bytes. dwFormats has a bit (laid out below) for
//   each rate, channel count and sample size the device takes exactly, with no rate converter
//   in between. wMid, wPid, vDriverVersion and wChannels are 0: no client reads them.
//   WAVE_MAPPER stands for the platform's default device when opening; waveInGetDevCapsA takes
//   list numbers only (MMSYSERR_BADDEVICEID).
//
// Opening (waveInOpen), checks in this order
//   1. fdwOpen must be CALLBACK_NULL, else MMSYSERR_INVALFLAG: no callback is ever made (the
//      client polls the header), and no other flag is offered. dwCallback and dwInstance are
//      not used.
//   2. phwi or pwfx null: MMSYSERR_INVALPARAM. *phwi is set to null whenever the open fails.
//   3. uDeviceID neither WAVE_MAPPER nor below the device count: MMSYSERR_BADDEVICEID.
//   4. The format must be consistent PCM (tag WAVE_FORMAT_PCM, 1 or 2 channels, 8 or 16 bits,
//      nBlockAlign = channels * bits / 8, nAvgBytesPerSec = rate * nBlockAlign), else
//      WAVERR_BADFORMAT.
//   5. The device is opened for exactly that format, no conversion of rate in between: a device
//      that does not take it gives WAVERR_BADFORMAT; a device used elsewhere
//      MMSYSERR_ALLOCATED; a device gone or a sound server not running MMSYSERR_NODRIVER.
//   Opening does not start recording.
//
// Buffers (waveInPrepareHeader / waveInUnprepareHeader)
//   cbwh must be sizeof(WAVEHDR) and the header non-null (MMSYSERR_INVALPARAM), lpData non-null
//   and dwBufferLength a non-zero multiple of the format's nBlockAlign (MMSYSERR_INVALPARAM).
//   Preparing sets WHDR_PREPARED and clears WHDR_DONE and WHDR_INQUEUE; preparing a prepared
//   header does nothing. The device's own storage grows to hold blocks of the header's length.
//   Unpreparing a header still queued gives WAVERR_STILLPLAYING, as winmm does (waveInStop
//   first); unpreparing a header that is not prepared does nothing.
//
// Recording
//   From waveInStart to waveInStop the device records continuously, on a thread of its own,
//   into storage of its own, block after block of the header's length, so no sound is lost
//   between one block and the next. It holds up to three blocks (two complete ones waiting
//   and one being filled). When the client falls further behind, the device stops taking
//   sound and the sound waits in the card's (or sound server's) own buffer, about half a
//   second; when that overflows and the back end reports it, the sound since is lost, and the
//   device drops what it held (older than the gap) and starts again with fresh sound. Every block
//   handed out is therefore contiguous sound, except where a sound server drops sound
//   without saying so. A device that delivers faster than real time (a file) is simply held
//   back, and loses nothing. waveInStop drops the block being filled and keeps the complete
//   ones.
//
// waveInAddBuffer: the only place where the client's buffer is written
//   It runs on the caller's thread and writes the buffer and the header there and nowhere
//   else, so a thread that calls it and then reads the buffer reads what no one else writes.
//   Checks: the handle (MMSYSERR_INVALHANDLE), the header and cbwh as above
//   (MMSYSERR_INVALPARAM), WHDR_PREPARED (WAVERR_UNPREPARED). Then, by the header's state:
//   - done (WHDR_DONE): handed back empty: dwBytesRecorded 0, WHDR_INQUEUE set, WHDR_DONE
//     cleared; nothing is copied even if a block is complete; MMSYSERR_NOERROR.
//   - neither done nor queued (freshly prepared): queued as above, then filled at once if a
//     block is complete; MMSYSERR_NOERROR.
//   - queued: if a block is complete, filled; otherwise untouched, WAVERR_STILLPLAYING.
//   Filled means: the next complete block copied in whole, dwBytesRecorded = dwBufferLength,
//   WHDR_DONE set and WHDR_INQUEUE cleared, MMSYSERR_NOERROR.
//   So a client that calls it on every pass sees, right after each call, either 0 bytes or one
//   whole block that stays put until its next call; the pass after a block always sees 0.
//   The rule that matters to such a client holds on both platforms: a header still queued is
//   left alone (never started over), and a complete block is seen whole by one call before its
//   header goes back empty. On Windows the layer keeps it around winmm's own call
//   (platform/windows/afxwinmm.cpp), where a block completes between calls rather than in one.
//   If the device's thread failed (the card went away), a call that fills nothing returns the
//   failure's code instead of MMSYSERR_NOERROR / WAVERR_STILLPLAYING.
//
// Stopping and closing
//   waveInStop stops recording and, as in winmm, returns the queued headers: WHDR_DONE set,
//   WHDR_INQUEUE cleared, dwBytesRecorded left at 0 (a queued header holds no sound here).
//   Stopping a stopped device does nothing. waveInClose returns any queued header the same
//   way and closes; unlike winmm it does not refuse while headers are queued, since the
//   device never writes a buffer outside waveInAddBuffer and so has nothing to wait for.
//   These calls are safe from any thread while the device's own thread runs, and return
//   promptly: the device's thread never blocks in a read (it polls, and is woken to stop).
//   They are also safe while another thread is inside waveInAddBuffer on the same handle (they
//   wait for that call to end); after waveInClose the handle is invalid for good, and any call
//   with it gives MMSYSERR_INVALHANDLE (handle values are never reused).
//
// Threads
//   Every function may be called from any thread. Calls on one handle are serialised. The
//   device list belongs to the process, not to a thread.
//
// Errors (waveInGetErrorTextA)
//   Each code below has a French text in code page 1252. When the last failing
//   call on the calling thread returned that same code and the back end knew more, its own text
//   follows in parentheses (over ALSA, for instance, " (ALSA : Device or resource busy)"). The
//   text is cut to cchText - 1 bytes and always ends with a NUL; cchText 0 copies nothing; pszText
//   null with cchText > 0 gives MMSYSERR_INVALPARAM; an unknown code MMSYSERR_BADERRNUM (empty
//   text). No text is longer than MAXERRORLENGTH - 1 bytes.
// ---------------------------------------------------------------------------------------------
#pragma once

#include <cstdint>

#include "windef.h"

// Repeated from windef.h on purpose: an identical typedef may be declared twice.
typedef std::uintptr_t UINT_PTR;
typedef std::uintptr_t DWORD_PTR;

typedef UINT MMRESULT;
typedef UINT MMVERSION;

struct HWAVEIN__;
typedef HWAVEIN__* HWAVEIN;
typedef HWAVEIN* LPHWAVEIN;

// Result codes: those the layer returns.
#define MMSYSERR_BASE 0
#define WAVERR_BASE 32
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR (MMSYSERR_BASE + 1)
#define MMSYSERR_BADDEVICEID (MMSYSERR_BASE + 2)
#define MMSYSERR_NOTENABLED (MMSYSERR_BASE + 3)
#define MMSYSERR_ALLOCATED (MMSYSERR_BASE + 4)
#define MMSYSERR_INVALHANDLE (MMSYSERR_BASE + 5)
#define MMSYSERR_NODRIVER (MMSYSERR_BASE + 6)
#define MMSYSERR_NOMEM (MMSYSERR_BASE + 7)
#define MMSYSERR_NOTSUPPORTED (MMSYSERR_BASE + 8)
#define MMSYSERR_BADERRNUM (MMSYSERR_BASE + 9)
#define MMSYSERR_INVALFLAG (MMSYSERR_BASE + 10)
#define MMSYSERR_INVALPARAM (MMSYSERR_BASE + 11)
#define WAVERR_BADFORMAT (WAVERR_BASE + 0)
#define WAVERR_STILLPLAYING (WAVERR_BASE + 1)
#define WAVERR_UNPREPARED (WAVERR_BASE + 2)
#define WAVERR_LASTERROR WAVERR_UNPREPARED

#define MAXPNAMELEN 32
#define MAXERRORLENGTH 256

#define WAVE_MAPPER (static_cast<UINT>(-1))

// waveInOpen's only flag.
#define CALLBACK_NULL 0x00000000L

// WAVEHDR flags.
#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_INQUEUE 0x00000010

// WAVEINCAPS dwFormats: bit 4 r + 2 s + c stands for rate r (0: 11,025 Hz, 1: 22,050, 2: 44,100,
// 3: 48,000, 4: 96,000), s 0 for 8 bits and 1 for 16, c 0 for mono and 1 for stereo. The tuner
// needs 44,100 Hz mono 16-bit.
#define WAVE_FORMAT_4M16 0x00000400

#define WAVE_FORMAT_PCM 1

#pragma pack(push, 1)
struct WAVEFORMATEX
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;

struct WAVEHDR
{
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
typedef WAVEHDR* LPWAVEHDR;

struct WAVEINCAPSA
{
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
};
typedef WAVEINCAPSA* LPWAVEINCAPSA;

static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is packed as in winmm");
static_assert(sizeof(WAVEINCAPSA) == 48, "WAVEINCAPSA has winmm's layout");

extern "C"
{
    UINT waveInGetNumDevs(void);
    MMRESULT waveInGetDevCapsA(UINT_PTR uDeviceID, LPWAVEINCAPSA pwic, UINT cbwic);
    MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                        DWORD_PTR dwInstance, DWORD fdwOpen);
    MMRESULT waveInClose(HWAVEIN hwi);
    MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
    MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
    MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
    MMRESULT waveInStart(HWAVEIN hwi);
    MMRESULT waveInStop(HWAVEIN hwi);
    MMRESULT waveInGetErrorTextA(MMRESULT mmrError, LPSTR pszText, UINT cchText);
}
