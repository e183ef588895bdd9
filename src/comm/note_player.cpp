// Channel allocation and the MIDI messages of the NotePlayer. All of this
// runs on the user-interface thread, where controls live.
#include "comm/note_player.h"

#include <algorithm>

#include "platform/winmm/mmsystem.h"

namespace tess::comm {
namespace {

using namespace platform;

constexpr uint32_t kNoteOff = 0x80, kNoteOn = 0x90, kProgramChange = 0xC0;
constexpr uint32_t kReleaseVelocity = 64;

HMIDIOUT g_host = nullptr;

bool OpenHost() {
  return midiOutOpen(&g_host, 0, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR;
}
void SendHost(uint32_t message) {
  midiOutShortMsg(g_host, message);
}
void CloseHost() {
  midiOutReset(g_host);
  midiOutClose(g_host);
  g_host = nullptr;
}

const MidiPort kHostPort{&OpenHost, &SendHost, &CloseHost};

struct Device {
  const MidiPort* port = &kHostPort;
  bool open = false;
  int live = 0;
  bool inUse[kMidiChannels] = {};
};

Device& D() {
  static Device device;
  return device;
}

uint32_t DataByte(int32_t value) {
  return uint32_t(std::clamp(value, 0, 127));
}

uint32_t ShortMessage(uint32_t status, uint32_t first, uint32_t second = 0) {
  return status | (first << 8) | (second << 16);
}

}  // namespace

void SetMidiPort(const MidiPort* port) {
  D().port = port ? port : &kHostPort;
}

void NotePlayerCreated(NotePlayerFields* player) {
  Device& d = D();
  if (d.live == 0) d.open = d.port->open();
  ++d.live;
  player->hasChannel = 0;
  if (!d.open) return;
  for (int channel = 0; channel < kMidiChannels; ++channel) {
    if (d.inUse[channel]) continue;
    d.inUse[channel] = true;
    player->channel = channel;
    player->hasChannel = 1;
    return;
  }
}

void NotePlayerDestroyed(NotePlayerFields* player) {
  Device& d = D();
  if (player->hasChannel) {
    player->hasChannel = 0;
    if (player->channel >= 0 && player->channel < kMidiChannels) d.inUse[player->channel] = false;
  }
  if (d.live > 0 && --d.live == 0 && d.open) {
    d.port->close();
    d.open = false;
  }
}

void PlayNote(NotePlayerFields* player, int32_t note, int32_t velocity) {
  if (!player->hasChannel) return;
  uint32_t channel = uint32_t(player->channel) & 0x0F;
  uint32_t v = DataByte(velocity);
  D().port->send(v ? ShortMessage(kNoteOn + channel, DataByte(note), v)
                   : ShortMessage(kNoteOff + channel, DataByte(note), kReleaseVelocity));
}

void SetInstrument(NotePlayerFields* player, int32_t instrument) {
  if (instrument == player->instrument) return;
  player->instrument = instrument;
  if (!player->hasChannel) return;
  D().port->send(
      ShortMessage(kProgramChange + (uint32_t(player->channel) & 0x0F), DataByte(instrument)));
}

int LiveNotePlayers() {
  return D().live;
}

bool MidiDeviceOpen() {
  return D().open;
}

}  // namespace tess::comm
