// The NotePlayer's device logic: one MIDI output shared by every player of
// the process, opened with the first player and closed with the last, and
// the 16 channels handed out lowest first, one per player for its lifetime.
// A player that finds the device closed or every channel taken stays silent
// but still keeps its Instrument value. The control class over it is in
// ui/note_player_control.cpp.
#pragma once

#include <cstdint>

namespace tess::comm {

// The player's fields, in this order after the control's own.
struct NotePlayerFields {
  int32_t channel;     // 0 to 15, meaningful when hasChannel
  int32_t instrument;  // as last set, sent as a program change
  uint8_t hasChannel;
};

inline constexpr int kMidiChannels = 16;

// The MIDI output the players share: device 0 of the host's MIDI service
// unless a test puts its own in.
struct MidiPort {
  bool (*open)();
  void (*send)(uint32_t message);  // status in the low byte, data bytes above
  void (*close)();
};
void SetMidiPort(const MidiPort* port);  // null: the host's device

void NotePlayerCreated(NotePlayerFields* player);
void NotePlayerDestroyed(NotePlayerFields* player);
// Note-on with the velocity, or note-off with velocity 64 when it is 0;
// data bytes are clamped to 0..127.
void PlayNote(NotePlayerFields* player, int32_t note, int32_t velocity);
void SetInstrument(NotePlayerFields* player, int32_t instrument);

int LiveNotePlayers();
bool MidiDeviceOpen();

}  // namespace tess::comm
