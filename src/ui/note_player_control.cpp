// The NotePlayer control: no window of its own; a player takes its MIDI
// channel when it is constructed and frees it when destroyed.
#include "comm/note_player.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"
#include "ui/media_controls.h"
#include "ui/window_class.h"
#include "values/class_members.h"

namespace tess::ui {
namespace {

comm::NotePlayerFields* PlayerOf(TessObject* object) {
  return &FieldsOf<NotePlayerInstance>(object)->player;
}

void Construct(TessObject* object, ClassObject*) {
  comm::NotePlayerCreated(PlayerOf(object));
}

void Destruct(TessObject* object, ClassObject*) {
  comm::NotePlayerDestroyed(PlayerOf(object));
}

const ParameterRecord kNoteParameters[] = {{"note", &kIntegerType, {}},
                                           {"velocity", &kIntegerType, {}}};

const PropertyRecord kProperties[] = {
    {0, "Instrument", &kIntegerType, (void*)&intGetter, (void*)&notePlayerInstrumentSetter,
     offsetof(NotePlayerInstance, player.instrument)},
};

const MethodRecord kMethods[] = {
    Method("PlayNote", nullptr, kNoteParameters, 2, (void*)&notePlayerPlayNote),
};

}  // namespace

void InitNotePlayerClass() {
  FrameworkClassDef def{};
  def.name = "NotePlayer";
  def.superclass = ControlClass();
  def.instanceSize = int32_t(sizeof(NotePlayerInstance));
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  BuildFrameworkClass(def);
}

}  // namespace tess::ui

extern "C" {

void notePlayerPlayNote(TessObject* player, int32_t note, int32_t velocity) {
  if (player) tess::comm::PlayNote(tess::ui::PlayerOf(player), note, velocity);
}

void notePlayerInstrumentSetter(TessObject* player, uint32_t, int32_t value) {
  if (player) tess::comm::SetInstrument(tess::ui::PlayerOf(player), value);
}

}  // extern "C"
