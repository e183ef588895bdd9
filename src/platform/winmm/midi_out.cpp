// MIDI output device 0: FluidSynth with the General MIDI sound font named by
// TESSERA_SOUNDFONT, or else the one the setup installs. The synthesizer is
// made on the first open and kept for the rest of the process (loading a
// sound font is the slow part); closing the last handle silences it and
// takes it off the mixer. Without a sound font the device still opens and
// records its messages, and plays nothing; so it does without FluidSynth,
// which is loaded by the first open (it pulls in a great many libraries a
// process that plays no note has no use for).
//
// Recorded lines, one per message: "note-on CH NOTE VELOCITY", "note-off CH
// NOTE VELOCITY", "key-pressure CH NOTE VALUE", "control CH NUMBER VALUE",
// "program CH NUMBER", "channel-pressure CH VALUE", "pitch-bend CH VALUE"
// (0 to 16383), "midi-message 0xHHHHHH" for anything else; and "midi-open",
// "midi-reset", "midi-close".
#include <fluidsynth.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>
#include <string>

#include "platform/kernel/library.h"
#include "platform/winmm/mixer.h"
#include "platform/winmm/mmsystem.h"

namespace tess::platform {

struct MidiOutHandle {};

namespace {

constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

#define FLUIDSYNTH_ROUTINES(R)    \
  R(fluid_set_log_function)       \
  R(new_fluid_settings)           \
  R(fluid_settings_setnum)        \
  R(new_fluid_synth)              \
  R(delete_fluid_synth)           \
  R(fluid_synth_sfload)           \
  R(fluid_synth_write_s16)        \
  R(fluid_synth_noteon)           \
  R(fluid_synth_noteoff)          \
  R(fluid_synth_key_pressure)     \
  R(fluid_synth_cc)               \
  R(fluid_synth_program_change)   \
  R(fluid_synth_channel_pressure) \
  R(fluid_synth_pitch_bend)       \
  R(fluid_synth_system_reset)
struct FluidSynth {
  static constexpr const char* kLibrary = "libfluidsynth.so.3";
  TESS_HOST_ROUTINES(FLUIDSYNTH_ROUTINES)
};

struct Synth {
  const FluidSynth* fluid = nullptr;  // set whenever `synth` is
  fluid_settings_t* settings = nullptr;
  fluid_synth_t* synth = nullptr;
  std::once_flag made;
  std::set<HMIDIOUT> handles;  // the open ones, so a stale handle is refused
};

Synth& TheSynth() {
  static Synth* synth = new Synth;  // never destroyed, like the mixer
  return *synth;
}

void Quiet(int, const char*, void*) {}

// Made once, outside the mixer lock: loading the sound font takes a while
// and sounds that play meanwhile must not stall.
void MakeSynth() {
  Synth& s = TheSynth();
  const FluidSynth* fl = HostRoutines<FluidSynth>();
  if (!fl) return;
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
    fl->fluid_set_log_function(level, &Quiet, nullptr);
  const char* path = std::getenv("TESSERA_SOUNDFONT");
  if (!path || !*path) path = kDefaultSoundFont;
  s.settings = fl->new_fluid_settings();
  if (!s.settings) return;
  fl->fluid_settings_setnum(s.settings, "synth.sample-rate", double(mixer::kRate));
  fluid_synth_t* synth = fl->new_fluid_synth(s.settings);
  if (synth && fl->fluid_synth_sfload(synth, path, 1) == FLUID_FAILED) {
    fl->delete_fluid_synth(synth);
    synth = nullptr;
  }
  auto lock = mixer::Lock();
  s.fluid = fl;
  s.synth = synth;
}

void RenderSynth(int32_t* stereo, uint32_t frames) {
  const Synth& s = TheSynth();
  if (!s.synth) return;
  int16_t block[mixer::kBlockFrames * 2];
  if (frames > mixer::kBlockFrames) frames = mixer::kBlockFrames;
  if (s.fluid->fluid_synth_write_s16(s.synth, int(frames), block, 0, 2, block, 1, 2) != FLUID_OK)
    return;
  for (uint32_t i = 0; i < frames * 2; ++i) stereo[i] += block[i];
}

bool Valid(HMIDIOUT handle) {
  auto lock = mixer::Lock();
  return TheSynth().handles.count(handle) != 0;
}

// The log's name of each channel message, by the status's high nibble
// (0x80 first), and how many data bytes it shows; pitch bend shows one
// 14-bit value.
struct MessageKind {
  const char* name;
  int shown;
};
constexpr MessageKind kKinds[] = {
    {"note-off", 2}, {"note-on", 2},          {"key-pressure", 2}, {"control", 2},
    {"program", 1},  {"channel-pressure", 1}, {"pitch-bend", 0},
};

std::string Describe(DWORD message) {
  unsigned status = message & 0xFF, a = (message >> 8) & 0x7F, b = (message >> 16) & 0x7F;
  char line[64];
  if (status >= 0xF0) {
    std::snprintf(line, sizeof line, "midi-message 0x%06X", unsigned(message & 0xFFFFFF));
    return line;
  }
  const MessageKind& kind = kKinds[(status >> 4) - 8];
  unsigned channel = status & 0x0F;
  if (kind.shown == 2)
    std::snprintf(line, sizeof line, "%s %u %u %u", kind.name, channel, a, b);
  else if (kind.shown == 1)
    std::snprintf(line, sizeof line, "%s %u %u", kind.name, channel, a);
  else
    std::snprintf(line, sizeof line, "%s %u %u", kind.name, channel, a | (b << 7));
  return line;
}

// With the mixer lock held.
void Play(const Synth& s, DWORD message) {
  const FluidSynth* fl = s.fluid;
  fluid_synth_t* synth = s.synth;
  int status = int(message & 0xFF), a = int((message >> 8) & 0x7F), b = int((message >> 16) & 0x7F);
  int channel = status & 0x0F;
  switch (status & 0xF0) {
    case 0x80:
      fl->fluid_synth_noteoff(synth, channel, a);
      break;
    case 0x90:
      if (b == 0)
        fl->fluid_synth_noteoff(synth, channel, a);
      else
        fl->fluid_synth_noteon(synth, channel, a, b);
      break;
    case 0xA0:
      fl->fluid_synth_key_pressure(synth, channel, a, b);
      break;
    case 0xB0:
      fl->fluid_synth_cc(synth, channel, a, b);
      break;
    case 0xC0:
      fl->fluid_synth_program_change(synth, channel, a);
      break;
    case 0xD0:
      fl->fluid_synth_channel_pressure(synth, channel, a);
      break;
    case 0xE0:
      fl->fluid_synth_pitch_bend(synth, channel, a | (b << 7));
      break;
    default:
      break;  // system messages are not for the synthesizer
  }
}

}  // namespace

UINT midiOutGetNumDevs() {
  return 1;
}

MMRESULT midiOutOpen(HMIDIOUT* out, UINT device, uintptr_t, uintptr_t, DWORD flags) {
  if (!out) return MMSYSERR_INVALPARAM;
  *out = nullptr;
  if (device != 0 && device != MIDI_MAPPER) return MMSYSERR_BADDEVICEID;
  if (flags != CALLBACK_NULL) return MMSYSERR_INVALPARAM;
  mixer::Acquire();
  std::call_once(TheSynth().made, &MakeSynth);
  auto* handle = new MidiOutHandle;
  {
    auto lock = mixer::Lock();
    Synth& s = TheSynth();
    if (s.handles.empty() && s.synth) mixer::SetSynth(&RenderSynth);
    s.handles.insert(handle);
  }
  mixer::Log("midi-open");
  *out = handle;
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutShortMsg(HMIDIOUT handle, DWORD message) {
  if (!Valid(handle)) return MMSYSERR_INVALHANDLE;
  if ((message & 0x80) == 0) return MMSYSERR_INVALPARAM;  // no running status
  {
    auto lock = mixer::Lock();
    if (const Synth& s = TheSynth(); s.synth) Play(s, message);
  }
  mixer::Log(Describe(message));
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutReset(HMIDIOUT handle) {
  if (!Valid(handle)) return MMSYSERR_INVALHANDLE;
  {
    auto lock = mixer::Lock();
    if (const Synth& s = TheSynth(); s.synth) s.fluid->fluid_synth_system_reset(s.synth);
  }
  mixer::Log("midi-reset");
  return MMSYSERR_NOERROR;
}

MMRESULT midiOutClose(HMIDIOUT handle) {
  {
    auto lock = mixer::Lock();
    Synth& s = TheSynth();
    if (s.handles.erase(handle) == 0) return MMSYSERR_INVALHANDLE;
    delete handle;
    if (s.handles.empty()) {
      if (s.synth) s.fluid->fluid_synth_system_reset(s.synth);
      mixer::SetSynth(nullptr);
    }
  }
  mixer::Log("midi-close");
  mixer::Release();
  return MMSYSERR_NOERROR;
}

void CloseAllMediaOutput() {
  auto lock = mixer::Lock();
  mixer::ResetAllVoices();
  if (const Synth& s = TheSynth(); s.synth) s.fluid->fluid_synth_system_reset(s.synth);
}

}  // namespace tess::platform
