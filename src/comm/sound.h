// The Sound class: a sound decoded once, when the object is made, and
// played through its own wave output so several sounds play at once.
// Volume is 0 to 100 (100 full, the default) and Pan -100 (left) to 100
// (right); values beyond are held at the ends. Both apply at once, also to
// a sound that is playing. Play restarts a sound that is playing.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "runtime/object_layout.h"

namespace tess::comm {

struct SoundPlayback;

struct SoundObject {
  ObjectHeader header;
  SoundPlayback* playback;  // owned; null: the sound has no samples
  int32_t volume;
  int32_t pan;
};

#if defined(__i386__)
static_assert(offsetof(SoundObject, playback) == 16);
static_assert(offsetof(SoundObject, volume) == 20);
static_assert(offsetof(SoundObject, pan) == 24);
#endif

void InitSoundClass();
ClassObject* SoundClass();

// A Sound (count 1) from the bytes of a sound file; null with a reason
// when they are not one.
TessObject* NewSound(std::span<const uint8_t> bytes, std::string* error);

// The left and right volumes (0 to 0xFFFF) a volume and pan give.
void SoundGains(int32_t volume, int32_t pan, uint32_t* left, uint32_t* right);

}  // namespace tess::comm
