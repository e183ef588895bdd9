// The NotePlayer and MoviePlayer controls, made from layout records like the
// other controls, over the note and movie logic of comm/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "comm/note_player.h"
#include "ui/instance_layout.h"

namespace tess::ui {

struct NotePlayerInstance {
  ControlFields control;
  comm::NotePlayerFields player;
};

// Controller: 0 none, 1 a badge, 2 the full controller bar.
struct MoviePlayerInstance {
  RectControlFields rect;
  TessObject* movie;  // counted
  int32_t controller;
  uint8_t looping, palindrome;
};

#if defined(__i386__)
static_assert(offsetof(NotePlayerInstance, player.channel) == 52);
static_assert(offsetof(NotePlayerInstance, player.instrument) == 56);
static_assert(offsetof(NotePlayerInstance, player.hasChannel) == 60);
static_assert(offsetof(MoviePlayerInstance, movie) == 80);
static_assert(offsetof(MoviePlayerInstance, controller) == 84);
static_assert(offsetof(MoviePlayerInstance, looping) == 88);
#endif

// Builds Sound and Movie (comm/) and the two control classes.
void InitMediaControls();
void InitNotePlayerClass();

}  // namespace tess::ui
