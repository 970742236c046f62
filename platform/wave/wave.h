#pragma once
// The waveform-audio calls the audio components make: device counts and
// names, open with a callback function, prepare/unprepare, add and write
// (never blocking), start, pause, restart, reset and close, with the header
// flags and result codes those components test.
//
//   HWAVEIN h{};
//   waveInOpen(&h, WAVE_MAPPER, &fmt.Format, &OnWave, instance,
//              CALLBACK_FUNCTION | WAVE_ALLOWSYNC);
//   waveInPrepareHeader(h, &hdr, sizeof hdr);
//   waveInAddBuffer(h, &hdr, sizeof hdr);   // WIM_DATA when it is full
//   waveInStart(h);
//   ...
//   waveInReset(h);     // every queued header comes back before it returns
//   waveInUnprepareHeader(h, &hdr, sizeof hdr);
//   waveInClose(h);     // WIM_CLOSE; no callback after it returns
//
// One driver thread per open handle moves the audio. Callbacks run on that
// thread, or on the calling thread inside Open, Reset and Close; they should
// only queue the message (reset and close of the same handle from inside its
// callback are refused with MMSYSERR_ERROR). Handles are never reused.
// An xrun is recovered without a word. A device that goes away, or fails
// a transfer (a file plugin on a full disk or a closed pipe), ends the
// stream: its queued headers come back marked done, a capture header with
// the bytes it holds so far, and add, write, start, pause, restart and
// reset give MMSYSERR_NODRIVER until the handle is closed. So does a
// running capture that records nothing for kWaveCaptureSilenceLimit. Frames
// a device claims but does not fill are silence, never older audio.
//
// No call waits on the device without a bound. An open that has not
// returned after kWaveOpenLimit fails with MMSYSERR_ERROR; the device, if it
// ever opens, is closed at once. Close ends the driver thread and closes the
// device even when a transfer blocks inside it; it waits at most two seconds
// for that, and a thread the device still holds then (one the system cannot
// interrupt) is left behind: it ends when the device lets go and never calls
// back, the handle is closed all the same and close gives MMSYSERR_ERROR. A
// broken pipe never raises SIGPIPE in a driver thread. Sample rates above
// kWaveMaxSampleRate are refused with WAVERR_BADFORMAT.
//
// After a call that failed, WaveLastErrorReason says why on the calling
// thread, in the device's words. The calls go to the backend chosen in
// wave_backend.h (ALSA unless a test picked the fake one).
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/guid.h"

namespace tavrel {

using MMRESULT = std::uint32_t;

enum : MMRESULT {
  MMSYSERR_NOERROR = 0,
  MMSYSERR_ERROR = 1,
  MMSYSERR_BADDEVICEID = 2,
  MMSYSERR_ALLOCATED = 4,
  MMSYSERR_INVALHANDLE = 5,
  MMSYSERR_NODRIVER = 6,  // the device went away while open
  MMSYSERR_NOMEM = 7,
  MMSYSERR_INVALFLAG = 10,
  MMSYSERR_INVALPARAM = 11,
  WAVERR_BADFORMAT = 32,
  WAVERR_STILLPLAYING = 33,
  WAVERR_UNPREPARED = 34,
};

// Callback messages (uMsg); the header pointer travels in dwParam1.
enum : std::uint32_t {
  WOM_OPEN = 955,
  WOM_CLOSE = 956,
  WOM_DONE = 957,
  WIM_OPEN = 958,
  WIM_CLOSE = 959,
  WIM_DATA = 960,
};

// Open flags. Conversion (resampling, format) is allowed for WAVE_MAPPED and
// for the WAVE_MAPPER device; WAVE_ALLOWSYNC is accepted and ignored.
enum : std::uint32_t {
  CALLBACK_NULL = 0,
  CALLBACK_FUNCTION = 0x30000,
  CALLBACK_TYPEMASK = 0x70000,
  WAVE_ALLOWSYNC = 0x2,
  WAVE_MAPPED = 0x4,
};

constexpr std::uint32_t WAVE_MAPPER = 0xFFFFFFFFu;

// The highest sample rate a device is opened with.
constexpr std::uint32_t kWaveMaxSampleRate = 384000;

// How long an open may take, and how long a running capture may record
// nothing before its device counts as gone.
constexpr std::chrono::milliseconds kWaveOpenLimit{2000};
constexpr std::chrono::milliseconds kWaveCaptureSilenceLimit{2000};

// Header flags.
enum : std::uint32_t {
  WHDR_DONE = 0x1,
  WHDR_PREPARED = 0x2,
  WHDR_INQUEUE = 0x10,
};

struct WAVEHDR {
  char* lpData = nullptr;
  std::uint32_t dwBufferLength = 0;
  std::uint32_t dwBytesRecorded = 0;
  std::uintptr_t dwUser = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwLoops = 0;
  WAVEHDR* lpNext = nullptr;
  std::uintptr_t reserved = 0;
};

// Handles are distinct per direction; 0 is no handle.
enum class HWAVEIN : std::uint64_t {};
enum class HWAVEOUT : std::uint64_t {};

using WaveInProc = void (*)(HWAVEIN h, std::uint32_t msg, std::uintptr_t instance,
                            std::uintptr_t param1, std::uintptr_t param2);
using WaveOutProc = void (*)(HWAVEOUT h, std::uint32_t msg, std::uintptr_t instance,
                             std::uintptr_t param1, std::uintptr_t param2);

// Format records keep their packed sizes (18 and 40 bytes).
#pragma pack(push, 1)
struct WAVEFORMATEX {
  std::uint16_t wFormatTag;
  std::uint16_t nChannels;
  std::uint32_t nSamplesPerSec;
  std::uint32_t nAvgBytesPerSec;
  std::uint16_t nBlockAlign;
  std::uint16_t wBitsPerSample;  // container bits: 8, 16, 24 or 32
  std::uint16_t cbSize;
};

struct WAVEFORMATEXTENSIBLE {
  WAVEFORMATEX Format;
  std::uint16_t wValidBitsPerSample;
  std::uint32_t dwChannelMask;
  Guid SubFormat;
};
#pragma pack(pop)

enum : std::uint16_t { WAVE_FORMAT_PCM = 1, WAVE_FORMAT_EXTENSIBLE = 0xFFFE };
inline constexpr Guid KSDATAFORMAT_SUBTYPE_PCM = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

// Capability records; only szPname matters: at most 31 UTF-16 units and a zero.
struct WAVEINCAPSW {
  std::uint16_t wMid;
  std::uint16_t wPid;
  std::uint32_t vDriverVersion;
  char16_t szPname[32];
  std::uint32_t dwFormats;
  std::uint16_t wChannels;
  std::uint16_t wReserved1;
};

struct WAVEOUTCAPSW {
  std::uint16_t wMid;
  std::uint16_t wPid;
  std::uint32_t vDriverVersion;
  char16_t szPname[32];
  std::uint32_t dwFormats;
  std::uint16_t wChannels;
  std::uint16_t wReserved1;
  std::uint32_t dwSupport;
};

std::uint32_t waveInGetNumDevs();
MMRESULT waveInGetDevCapsW(std::uintptr_t uDeviceID, WAVEINCAPSW* pwic, std::uint32_t cbwic);
MMRESULT waveInOpen(HWAVEIN* phwi, std::uint32_t uDeviceID, const WAVEFORMATEX* pwfx,
                    WaveInProc dwCallback, std::uintptr_t dwInstance, std::uint32_t fdwOpen);
MMRESULT waveInPrepareHeader(HWAVEIN hwi, WAVEHDR* pwh, std::uint32_t cbwh);
MMRESULT waveInUnprepareHeader(HWAVEIN hwi, WAVEHDR* pwh, std::uint32_t cbwh);
MMRESULT waveInAddBuffer(HWAVEIN hwi, WAVEHDR* pwh, std::uint32_t cbwh);
MMRESULT waveInStart(HWAVEIN hwi);
MMRESULT waveInReset(HWAVEIN hwi);
MMRESULT waveInClose(HWAVEIN hwi);

std::uint32_t waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsW(std::uintptr_t uDeviceID, WAVEOUTCAPSW* pwoc, std::uint32_t cbwoc);
MMRESULT waveOutOpen(HWAVEOUT* phwo, std::uint32_t uDeviceID, const WAVEFORMATEX* pwfx,
                     WaveOutProc dwCallback, std::uintptr_t dwInstance, std::uint32_t fdwOpen);
MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, std::uint32_t cbwh);
MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, WAVEHDR* pwh, std::uint32_t cbwh);
MMRESULT waveOutWrite(HWAVEOUT hwo, WAVEHDR* pwh, std::uint32_t cbwh);
MMRESULT waveOutPause(HWAVEOUT hwo);
MMRESULT waveOutRestart(HWAVEOUT hwo);
MMRESULT waveOutReset(HWAVEOUT hwo);
MMRESULT waveOutClose(HWAVEOUT hwo);

// Why the last wave call of this thread failed, in words ("No such file or
// directory", "nothing recorded for 2 s"); "" after one that succeeded or
// that has nothing to add to its code.
std::string WaveLastErrorReason();

}  // namespace tavrel
