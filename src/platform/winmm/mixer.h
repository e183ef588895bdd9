// The mixer behind the multimedia handles (internal to winmm/): one thread
// rendering blocks of 44,100 Hz 16-bit stereo from the wave voices and the
// synthesizer into the output sink. Voice and synthesizer state is guarded
// by Lock(); the thread runs while at least one handle is open.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string_view>

#include "platform/winmm/mmsystem.h"

namespace tess::platform::mixer {

inline constexpr uint32_t kRate = 44100;
inline constexpr uint32_t kBlockFrames = 512;

struct Voice {
  WAVEFORMATEX format{};
  std::deque<WAVEHDR*> queue;
  double position = 0;   // in source frames, within the front buffer
  DWORD loopsLeft = 0;   // plays left of the front buffer, once it started
  bool started = false;  // the front buffer has begun playing
  uint32_t left = 0xFFFF, right = 0xFFFF;
};

// Adds the synthesizer's share of a block to `stereo` (interleaved).
using SynthRender = void (*)(int32_t* stereo, uint32_t frames);

std::unique_lock<std::mutex> Lock();

// With the lock held.
void AddVoice(Voice* voice);
void RemoveVoice(Voice* voice);
void SetSynth(SynthRender render);
void MarkDone(WAVEHDR* header);
// Marks every queued buffer of every voice done and empties the queues.
void ResetAllVoices();

// Without the lock: a handle opened starts the thread and the sink; the
// last one closing stops them.
void Acquire();
void Release();

// One line of the recording's log, when recording.
void Log(std::string_view line);

}  // namespace tess::platform::mixer
