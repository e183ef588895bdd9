// The Sound class over the host's wave output. Each Sound that has played
// keeps one wave output open until it is destroyed; its one buffer header
// points into its decoded samples, which live as long as the object.
#include "comm/sound.h"

#include <algorithm>
#include <new>

#include "platform/winmm/mmsystem.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess::comm {

using namespace platform;

struct SoundPlayback {
  DecodedSound pcm;
  HWAVEOUT out = nullptr;
  WAVEHDR header{};
  bool written = false;  // the header went to the output and was not taken back
};

namespace {

constexpr int32_t kFullVolume = 100, kPanLimit = 100;

ClassObject* g_sound = nullptr;

SoundObject* AsSound(TessObject* object) {
  return reinterpret_cast<SoundObject*>(object);
}

void ApplyVolume(SoundObject* s) {
  if (!s->playback || !s->playback->out) return;
  uint32_t left, right;
  SoundGains(s->volume, s->pan, &left, &right);
  waveOutSetVolume(s->playback->out, left | (right << 16));
}

// Stops the sound and takes its buffer back from the output.
void StopPlayback(SoundPlayback* p) {
  if (!p->out || !p->written) return;
  waveOutReset(p->out);
  waveOutUnprepareHeader(p->out, &p->header, sizeof p->header);
  p->written = false;
}

void Start(TessObject* object, bool looping) {
  if (!object) return;
  SoundObject* s = AsSound(object);
  SoundPlayback* p = s->playback;
  if (!p || p->pcm.samples.empty()) return;
  if (!p->out) {
    if (waveOutOpen(&p->out, WAVE_MAPPER, &p->pcm.format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
      return;  // no output: the sound stays silent
    ApplyVolume(s);
  }
  StopPlayback(p);
  p->header = WAVEHDR{};
  p->header.lpData = reinterpret_cast<char*>(p->pcm.samples.data());
  p->header.dwBufferLength = DWORD(p->pcm.samples.size() * sizeof(int16_t));
  if (looping) {
    p->header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    p->header.dwLoops = INFINITE_LOOPS;
  }
  waveOutPrepareHeader(p->out, &p->header, sizeof p->header);
  p->written = waveOutWrite(p->out, &p->header, sizeof p->header) == MMSYSERR_NOERROR;
}

void Construct(TessObject* object, ClassObject*) {
  SoundObject* s = AsSound(object);
  s->volume = kFullVolume;
}

void Destruct(TessObject* object, ClassObject*) {
  SoundObject* s = AsSound(object);
  if (SoundPlayback* p = s->playback) {
    StopPlayback(p);
    if (p->out) waveOutClose(p->out);
    delete p;
    s->playback = nullptr;
  }
}

const PropertyRecord kProperties[] = {
    {0, "Volume", &kIntegerType, (void*)&SoundVolumeGetter, (void*)&SoundVolumeSetter, 0},
    {0, "Pan", &kIntegerType, (void*)&SoundPanGetter, (void*)&SoundPanSetter, 0},
};

const MethodRecord kMethods[] = {
    Method("Play", nullptr, nullptr, 0, (void*)&soundPlay),
    Method("PlayLooping", nullptr, nullptr, 0, (void*)&soundPlayLooping),
    Method("Stop", nullptr, nullptr, 0, (void*)&soundStop),
    Method("IsPlaying", &kBooleanType, nullptr, 0, (void*)&soundIsPlaying),
};

}  // namespace

void SoundGains(int32_t volume, int32_t pan, uint32_t* left, uint32_t* right) {
  int64_t v = std::clamp(volume, 0, kFullVolume);
  int64_t p = std::clamp(pan, -kPanLimit, kPanLimit);
  int64_t l = p > 0 ? kPanLimit - p : kPanLimit;
  int64_t r = p < 0 ? kPanLimit + p : kPanLimit;
  *left = uint32_t(0xFFFF * v * l / (kFullVolume * kPanLimit));
  *right = uint32_t(0xFFFF * v * r / (kFullVolume * kPanLimit));
}

void InitSoundClass() {
  if (g_sound) return;
  FrameworkClassDef def{};
  def.name = "Sound";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(SoundObject));
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_sound = BuildFrameworkClass(def);
}

ClassObject* SoundClass() {
  return g_sound;
}

TessObject* NewSound(std::span<const uint8_t> bytes, std::string* error) {
  auto* playback = new (std::nothrow) SoundPlayback;
  if (!playback) {
    *error = "out of memory";
    return nullptr;
  }
  if (!DecodeSound(bytes, &playback->pcm, error)) {
    delete playback;
    return nullptr;
  }
  TessObject* object = CreateObject(g_sound);
  AsSound(object)->playback = playback;
  return object;
}

}  // namespace tess::comm

using namespace tess;
using comm::AsSound;

extern "C" {

void soundPlay(TessObject* sound) {
  comm::Start(sound, false);
}

void soundPlayLooping(TessObject* sound) {
  comm::Start(sound, true);
}

void soundStop(TessObject* sound) {
  if (sound && AsSound(sound)->playback) comm::StopPlayback(AsSound(sound)->playback);
}

int32_t soundIsPlaying(TessObject* sound) {
  if (!sound) return 0;
  comm::SoundPlayback* p = AsSound(sound)->playback;
  return p && p->written && !platform::WaveHeaderDone(&p->header);
}

int32_t SoundVolumeGetter(TessObject* sound, uint32_t) {
  return sound ? AsSound(sound)->volume : 0;
}

void SoundVolumeSetter(TessObject* sound, uint32_t, int32_t value) {
  if (!sound) return;
  AsSound(sound)->volume = std::clamp(value, 0, comm::kFullVolume);
  comm::ApplyVolume(AsSound(sound));
}

int32_t SoundPanGetter(TessObject* sound, uint32_t) {
  return sound ? AsSound(sound)->pan : 0;
}

void SoundPanSetter(TessObject* sound, uint32_t, int32_t value) {
  if (!sound) return;
  AsSound(sound)->pan = std::clamp(value, -comm::kPanLimit, comm::kPanLimit);
  comm::ApplyVolume(AsSound(sound));
}

}  // extern "C"
