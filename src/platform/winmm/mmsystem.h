// The multimedia library: MIDI output and wave output, shaped like the
// platform's midiOut and waveOut services, plus sound file decoding.
//
// Every open MIDI or wave handle feeds one mixer that renders 44,100 Hz
// 16-bit stereo: MIDI messages through FluidSynth with a General MIDI sound
// font, wave buffers resampled and scaled by their handle's volume. The mix
// goes to the ALSA "default" device when it opens. With TESSERA_AUDIO_RECORD
// set to a path prefix the mix goes instead to PREFIX.wav (a valid WAV file
// after every block) and every MIDI message and wave operation is written as
// a line of PREFIX.log; the mixer then keeps real time by the clock.
// Without a device or a recording the mix is dropped at the same pace.
//
// Wave buffers play in the order written. A buffer flagged both
// WHDR_BEGINLOOP and WHDR_ENDLOOP plays dwLoops times (INFINITE: until
// reset). WHDR_DONE is set by the mixer thread; read it with WaveHeaderDone.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/windef.h"

namespace tess::platform {

using MMRESULT = UINT;
using HMIDIOUT = struct MidiOutHandle*;
using HWAVEOUT = struct WaveOutHandle*;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;
inline constexpr MMRESULT MIDIERR_NODEVICE = 68;

inline constexpr UINT MIDI_MAPPER = 0xFFFFFFFFu;
inline constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;
inline constexpr DWORD CALLBACK_NULL = 0;
inline constexpr DWORD INFINITE_LOOPS = 0xFFFFFFFFu;

inline constexpr WORD WAVE_FORMAT_PCM = 1;

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};

inline constexpr DWORD WHDR_DONE = 0x01;
inline constexpr DWORD WHDR_PREPARED = 0x02;
inline constexpr DWORD WHDR_BEGINLOOP = 0x04;
inline constexpr DWORD WHDR_ENDLOOP = 0x08;
inline constexpr DWORD WHDR_INQUEUE = 0x10;

struct WAVEHDR {
  char* lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  uintptr_t dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;
  uintptr_t reserved;
};

// MIDI output: one device, 0 (MIDI_MAPPER names it too). Short messages
// carry the status in the low byte and the data bytes above it.
UINT midiOutGetNumDevs();
MMRESULT midiOutOpen(HMIDIOUT* out, UINT device, uintptr_t callback, uintptr_t instance,
                     DWORD flags);
MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message);
MMRESULT midiOutReset(HMIDIOUT handle);
MMRESULT midiOutClose(HMIDIOUT handle);

// Wave output: 16-bit PCM, one or two channels, 1 Hz to 384 kHz.
MMRESULT waveOutOpen(HWAVEOUT* out, UINT device, const WAVEFORMATEX* format, uintptr_t callback,
                     uintptr_t instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT handle, WAVEHDR* header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT handle, WAVEHDR* header, UINT size);
// Stops playing and marks every queued buffer done; the mixer no longer
// reads them when it returns.
MMRESULT waveOutReset(HWAVEOUT handle);
// Low word the left volume, high word the right, 0xFFFF full.
MMRESULT waveOutSetVolume(HWAVEOUT handle, DWORD volume);
MMRESULT waveOutGetVolume(HWAVEOUT handle, DWORD* volume);
MMRESULT waveOutClose(HWAVEOUT handle);

// WHDR_DONE, read safely while the mixer runs.
bool WaveHeaderDone(const WAVEHDR* header);

// Stops every wave and MIDI output of the process (what "close all" does at
// shutdown) and waits for the mixer to finish its block.
void CloseAllMediaOutput();

// A sound file decoded to 16-bit PCM of at most two channels (more are
// mixed down to two).
struct DecodedSound {
  WAVEFORMATEX format{};
  std::vector<int16_t> samples;  // interleaved
};

// Decodes WAV, AIFF, FLAC or Ogg Vorbis bytes; false with a reason when
// the bytes are not a sound libsndfile reads.
bool DecodeSound(std::span<const uint8_t> bytes, DecodedSound* out, std::string* error);

}  // namespace tess::platform
