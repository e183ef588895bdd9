// Wave output handles: each is a voice of the mixer. Buffers must be
// prepared before they are written and stay untouched by the caller until
// WHDR_DONE; reset and close mark every queued buffer done and return only
// when the mixer no longer reads them.
//
// Recorded lines: "wave-open CHANNELS RATE", "wave-write FRAMES LOOPS"
// (LOOPS 1 for a buffer that plays once, "infinite"), "wave-volume LEFT
// RIGHT" (0 to 65535), "wave-reset", "wave-close".
#include <cstdio>
#include <set>

#include "platform/winmm/mixer.h"
#include "platform/winmm/mmsystem.h"

namespace tess::platform {

struct WaveOutHandle {
  mixer::Voice voice;
};

namespace {

constexpr DWORD kMaxRate = 384000;

// The open handles, guarded by the mixer lock.
std::set<HWAVEOUT>& Handles() {
  static auto* handles = new std::set<HWAVEOUT>;
  return *handles;
}

bool Open(HWAVEOUT handle) {
  return Handles().count(handle) != 0;
}

// With the lock held: the handle is open and the header not queued.
MMRESULT CheckIdle(HWAVEOUT handle, const WAVEHDR* header) {
  if (!Open(handle)) return MMSYSERR_INVALHANDLE;
  return header->dwFlags & WHDR_INQUEUE ? MMSYSERR_INVALPARAM : MMSYSERR_NOERROR;
}

bool GoodFormat(const WAVEFORMATEX* f) {
  return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
         f->wBitsPerSample == 16 && f->nBlockAlign == f->nChannels * 2 && f->nSamplesPerSec >= 1 &&
         f->nSamplesPerSec <= kMaxRate;
}

void LogLine(const char* format, unsigned a, unsigned b) {
  char line[64];
  std::snprintf(line, sizeof line, format, a, b);
  mixer::Log(line);
}

}  // namespace

MMRESULT waveOutOpen(HWAVEOUT* out, UINT device, const WAVEFORMATEX* format, uintptr_t, uintptr_t,
                     DWORD flags) {
  if (!out) return MMSYSERR_INVALPARAM;
  *out = nullptr;
  if (device != 0 && device != WAVE_MAPPER) return MMSYSERR_BADDEVICEID;
  if (flags != CALLBACK_NULL) return MMSYSERR_INVALPARAM;
  if (!GoodFormat(format)) return WAVERR_BADFORMAT;
  mixer::Acquire();
  auto* handle = new WaveOutHandle;
  handle->voice.format = *format;
  {
    auto lock = mixer::Lock();
    Handles().insert(handle);
    mixer::AddVoice(&handle->voice);
  }
  LogLine("wave-open %u %u", format->nChannels, format->nSamplesPerSec);
  *out = handle;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  auto lock = mixer::Lock();
  if (MMRESULT refused = CheckIdle(handle, header)) return refused;
  header->dwFlags = (header->dwFlags & (WHDR_BEGINLOOP | WHDR_ENDLOOP)) | WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  auto lock = mixer::Lock();
  if (MMRESULT refused = CheckIdle(handle, header)) return refused;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT handle, WAVEHDR* header, UINT size) {
  if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  DWORD frames, loops;
  {
    auto lock = mixer::Lock();
    if (MMRESULT refused = CheckIdle(handle, header)) return refused;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (!header->lpData && header->dwBufferLength) return MMSYSERR_INVALPARAM;
    // A partial last frame is never read.
    frames = header->dwBufferLength / handle->voice.format.nBlockAlign;
    bool loop = (header->dwFlags & WHDR_BEGINLOOP) && (header->dwFlags & WHDR_ENDLOOP);
    loops = loop && header->dwLoops ? header->dwLoops : 1;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    handle->voice.queue.push_back(header);
  }
  char line[64];
  if (loops == INFINITE_LOOPS)
    std::snprintf(line, sizeof line, "wave-write %u infinite", unsigned(frames));
  else
    std::snprintf(line, sizeof line, "wave-write %u %u", unsigned(frames), unsigned(loops));
  mixer::Log(line);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutReset(HWAVEOUT handle) {
  {
    auto lock = mixer::Lock();
    if (!Open(handle)) return MMSYSERR_INVALHANDLE;
    mixer::Voice& v = handle->voice;
    for (WAVEHDR* h : v.queue) mixer::MarkDone(h);
    v.queue.clear();
    v.started = false;
  }
  mixer::Log("wave-reset");
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD volume) {
  {
    auto lock = mixer::Lock();
    if (!Open(handle)) return MMSYSERR_INVALHANDLE;
    handle->voice.left = volume & 0xFFFF;
    handle->voice.right = volume >> 16;
  }
  LogLine("wave-volume %u %u", volume & 0xFFFF, volume >> 16);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetVolume(HWAVEOUT handle, DWORD* volume) {
  if (!volume) return MMSYSERR_INVALPARAM;
  auto lock = mixer::Lock();
  if (!Open(handle)) return MMSYSERR_INVALHANDLE;
  *volume = handle->voice.left | (handle->voice.right << 16);
  return MMSYSERR_NOERROR;
}

MMRESULT waveOutClose(HWAVEOUT handle) {
  {
    auto lock = mixer::Lock();
    if (Handles().erase(handle) == 0) return MMSYSERR_INVALHANDLE;
    for (WAVEHDR* h : handle->voice.queue) mixer::MarkDone(h);
    mixer::RemoveVoice(&handle->voice);
  }
  delete handle;
  mixer::Log("wave-close");
  mixer::Release();
  return MMSYSERR_NOERROR;
}

}  // namespace tess::platform
