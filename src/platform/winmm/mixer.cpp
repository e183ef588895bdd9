// The mixer thread and its sinks. Each block: the voices, in the order
// their handles were opened, then the synthesizer, summed in 32 bits and
// clipped to 16; then the block goes to the sink. The sink is chosen when
// the thread starts: the recording when TESSERA_AUDIO_RECORD is set, else
// ALSA's "default" device when it opens, else nothing (paced by the clock).
// libasound is loaded by the first mixer started; without it there is no
// device, as when none opens.
// The recording files stay open for the rest of the process, so a mixer
// started again appends to them.
#include "platform/winmm/mixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/library.h"

namespace tess::platform::mixer {
namespace {

constexpr uint32_t kChannels = 2;

#define ALSA_ROUTINES(R)       \
  R(snd_lib_error_set_handler) \
  R(snd_pcm_open)              \
  R(snd_pcm_nonblock)          \
  R(snd_pcm_set_params)        \
  R(snd_pcm_writei)            \
  R(snd_pcm_recover)           \
  R(snd_pcm_drain)             \
  R(snd_pcm_close)
struct Alsa {
  static constexpr const char* kLibrary = "libasound.so.2";
  TESS_HOST_ROUTINES(ALSA_ROUTINES)
};

// The recording: PREFIX.wav holds the mix, its header rewritten after each
// block so the file is whole at every moment; PREFIX.log the operations.
struct Recording {
  FILE* wav = nullptr;
  FILE* log = nullptr;
  uint32_t dataBytes = 0;
  bool tried = false;
};

void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void WriteWavHeader(FILE* f, uint32_t dataBytes) {
  uint8_t h[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  PutLe32(h + 4, 36 + dataBytes);
  PutLe32(h + 16, 16);
  PutLe16(h + 20, WAVE_FORMAT_PCM);
  PutLe16(h + 22, kChannels);
  PutLe32(h + 24, kRate);
  PutLe32(h + 28, kRate * kChannels * 2);
  PutLe16(h + 32, kChannels * 2);
  PutLe16(h + 34, 16);
  std::memcpy(h + 36, "data", 4);
  PutLe32(h + 40, dataBytes);
  std::fseek(f, 0, SEEK_SET);
  std::fwrite(h, 1, sizeof h, f);
  std::fseek(f, 0, SEEK_END);
}

struct State {
  std::mutex voices;  // voices, synth and header flags
  std::vector<Voice*> active;
  SynthRender synth = nullptr;

  std::mutex lifecycle;  // clients, thread, sink
  int clients = 0;
  std::thread thread;
  std::atomic<bool> stop{false};
  snd_pcm_t* pcm = nullptr;

  std::mutex recordingLock;
  Recording recording;
};

// Never destroyed: the mixer thread may outlive static destruction.
State& S() {
  static State* state = new State;
  return *state;
}

const char* RecordPrefix() {
  const char* prefix = std::getenv("TESSERA_AUDIO_RECORD");
  return prefix && *prefix ? prefix : nullptr;
}

// Opens the recording files on first use; false when not recording.
bool OpenRecording(Recording& r) {
  const char* prefix = RecordPrefix();
  if (!prefix) return false;
  if (!r.tried) {
    r.tried = true;
    std::string base(prefix);
    r.wav = std::fopen((base + ".wav").c_str(), "w+b");
    r.log = std::fopen((base + ".log").c_str(), "w");
    if (r.wav) WriteWavHeader(r.wav, 0);
  }
  return true;
}

void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

snd_pcm_t* OpenAlsa() {
  const Alsa* alsa = HostRoutines<Alsa>();
  if (!alsa) return nullptr;
  alsa->snd_lib_error_set_handler(&SilentAlsaErrors);
  snd_pcm_t* pcm = nullptr;
  // Opened without waiting, so a device another program holds is no device.
  if (alsa->snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
    return nullptr;
  if (alsa->snd_pcm_nonblock(pcm, 0) < 0 ||
      alsa->snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, kChannels,
                               kRate, 1, 100000) < 0) {
    alsa->snd_pcm_close(pcm);
    return nullptr;
  }
  return pcm;
}

int16_t SampleAt(const Voice& v, const WAVEHDR* h, uint32_t frame, uint32_t channel) {
  const auto* data = reinterpret_cast<const int16_t*>(h->lpData);
  return data[size_t(frame) * v.format.nChannels +
              std::min<uint32_t>(channel, v.format.nChannels - 1)];
}

// Adds the voice's next block to `mix`, advancing through its buffers.
void RenderVoice(Voice& v, int32_t* mix) {
  const double step = double(v.format.nSamplesPerSec) / kRate;
  uint32_t i = 0;
  while (i < kBlockFrames && !v.queue.empty()) {
    WAVEHDR* h = v.queue.front();
    if (!v.started) {
      v.started = true;
      v.position = 0;
      bool loop = (h->dwFlags & WHDR_BEGINLOOP) && (h->dwFlags & WHDR_ENDLOOP);
      v.loopsLeft = loop && h->dwLoops ? h->dwLoops : 1;
    }
    uint32_t frames = h->dwBufferLength / v.format.nBlockAlign;
    while (i < kBlockFrames && v.position < frames) {
      auto index = uint32_t(v.position);
      double frac = v.position - index;
      for (uint32_t c = 0; c < kChannels; ++c) {
        int32_t s0 = SampleAt(v, h, index, c);
        int32_t value = s0;
        if (frac > 0 && index + 1 < frames)
          value = int32_t(std::lround(s0 + (SampleAt(v, h, index + 1, c) - s0) * frac));
        uint32_t gain = c == 0 ? v.left : v.right;
        mix[2 * i + c] += value * int32_t(gain) / 0xFFFF;
      }
      v.position += step;
      ++i;
    }
    if (v.position < frames) break;
    v.position -= frames;
    if (v.loopsLeft == INFINITE_LOOPS || --v.loopsLeft > 0) {
      if (frames == 0) v.loopsLeft = 1;  // an empty loop would never end the block
      continue;
    }
    MarkDone(h);
    v.queue.pop_front();
    v.started = false;
  }
}

void WriteRecording(const int16_t* block, size_t bytes) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.recordingLock);
  Recording& r = s.recording;
  if (!r.wav) return;
  std::fwrite(block, 1, bytes, r.wav);
  r.dataBytes += uint32_t(bytes);
  WriteWavHeader(r.wav, r.dataBytes);
  std::fflush(r.wav);
}

void Run(snd_pcm_t* pcm, bool recording) {
  State& s = S();
  std::vector<int32_t> mix(kBlockFrames * kChannels);
  std::vector<int16_t> block(kBlockFrames * kChannels);
  auto next = std::chrono::steady_clock::now();
  const auto blockTime = std::chrono::microseconds(1000000ull * kBlockFrames / kRate);
  while (!s.stop.load()) {
    std::fill(mix.begin(), mix.end(), 0);
    {
      std::lock_guard<std::mutex> guard(s.voices);
      for (Voice* v : s.active) RenderVoice(*v, mix.data());
      if (s.synth) s.synth(mix.data(), kBlockFrames);
    }
    for (size_t i = 0; i < mix.size(); ++i) block[i] = int16_t(std::clamp(mix[i], -32768, 32767));
    if (recording) WriteRecording(block.data(), block.size() * sizeof(int16_t));
    if (pcm) {
      const Alsa* alsa = HostRoutines<Alsa>();  // loaded: the device opened
      snd_pcm_sframes_t n = alsa->snd_pcm_writei(pcm, block.data(), kBlockFrames);
      if (n < 0) alsa->snd_pcm_recover(pcm, int(n), 1);
    } else {
      next += blockTime;
      std::this_thread::sleep_until(next);
    }
  }
}

}  // namespace

std::unique_lock<std::mutex> Lock() {
  return std::unique_lock<std::mutex>(S().voices);
}

void AddVoice(Voice* voice) {
  S().active.push_back(voice);
}

void RemoveVoice(Voice* voice) {
  auto& active = S().active;
  active.erase(std::remove(active.begin(), active.end(), voice), active.end());
}

void SetSynth(SynthRender render) {
  S().synth = render;
}

void MarkDone(WAVEHDR* header) {
  DWORD flags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  __atomic_store_n(&header->dwFlags, flags, __ATOMIC_RELEASE);
}

void ResetAllVoices() {
  for (Voice* v : S().active) {
    for (WAVEHDR* h : v->queue) MarkDone(h);
    v->queue.clear();
    v->started = false;
  }
}

void Acquire() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lifecycle);
  if (s.clients++ > 0) return;
  bool recording;
  {
    std::lock_guard<std::mutex> r(s.recordingLock);
    recording = OpenRecording(s.recording);
  }
  s.pcm = recording ? nullptr : OpenAlsa();
  s.stop = false;
  s.thread = std::thread(Run, s.pcm, recording);
}

void Release() {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.lifecycle);
  if (s.clients == 0 || --s.clients > 0) return;
  s.stop = true;
  if (s.thread.joinable()) s.thread.join();
  if (s.pcm) {
    const Alsa* alsa = HostRoutines<Alsa>();  // loaded: the device opened
    alsa->snd_pcm_drain(s.pcm);
    alsa->snd_pcm_close(s.pcm);
    s.pcm = nullptr;
  }
}

void Log(std::string_view line) {
  State& s = S();
  std::lock_guard<std::mutex> guard(s.recordingLock);
  if (!OpenRecording(s.recording) || !s.recording.log) return;
  std::fwrite(line.data(), 1, line.size(), s.recording.log);
  std::fputc('\n', s.recording.log);
  std::fflush(s.recording.log);
}

}  // namespace tess::platform::mixer

namespace tess::platform {

bool WaveHeaderDone(const WAVEHDR* header) {
  return __atomic_load_n(&header->dwFlags, __ATOMIC_ACQUIRE) & WHDR_DONE;
}

}  // namespace tess::platform
