// The MoviePlayer control: it holds a Movie and its controller settings and
// draws nothing of its own. There is no movie decoder, so Play raises an
// UnsupportedFormatException that says so; Stop has nothing to stop.
//
// Bindings: getBoundPart("getPlayAction" / "getStopAction") gives a
// MoviePlayerAction whose PerformAction plays or stops the player, so a
// push button bound to it by an actionBinder works the player.
#include "comm/media.h"
#include "comm/movie.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/binding.h"
#include "ui/media_controls.h"
#include "ui/window_class.h"
#include "values/class_members.h"

namespace tess::ui {
namespace {

constexpr const char* kCannotPlay = "Movies cannot be played: this runtime has no movie decoder.";
constexpr int32_t kFullController = 2;
constexpr int32_t kControllerBarHeight = 16;

MoviePlayerInstance* PlayerOf(TessObject* object) {
  return FieldsOf<MoviePlayerInstance>(object);
}

void Destruct(TessObject* object, ClassObject*) {
  TessObject* movie = PlayerOf(object)->movie;
  PlayerOf(object)->movie = nullptr;
  UnlockObject(movie);
}

const TypeDescriptor kMovieType{0, "Movie", {}};

const PropertyRecord kProperties[] = {
    {0, "Movie", &kMovieType, (void*)&getMovieMovie, (void*)&mediaMovieSetter, 0},
    {0, "Controller", &kIntegerType, (void*)&mediaMovieControllerGetter, (void*)&intSetter,
     offsetof(MoviePlayerInstance, controller)},
    {0, "Looping", &kBooleanType, (void*)&boolGetter, (void*)&mediaControllerLoopingSetter,
     offsetof(MoviePlayerInstance, looping)},
    {0, "Palindrome", &kBooleanType, (void*)&boolGetter, (void*)&mediaControllerPalindromeSetter,
     offsetof(MoviePlayerInstance, palindrome)},
    {0, "ControllerWidth", &kIntegerType, (void*)&mediaControllerWidthGetter, nullptr, 0},
    {0, "ControllerHeight", &kIntegerType, (void*)&mediaControllerHeightGetter, nullptr, 0},
};

const MethodRecord kMethods[] = {
    Method("Play", nullptr, nullptr, 0, (void*)&RuntimeMediaPlay),
    Method("Stop", nullptr, nullptr, 0, (void*)&RuntimeMediaStop),
    Method("getBoundPart", nullptr, kPartNameParameter, 1, (void*)&mediaGetBoundPart),
};

ClassObject* g_player = nullptr;
ClassObject* g_playerAction = nullptr;  // MoviePlayerAction: 1 plays, 0 stops

void PerformPlayerAction(TessObject* part) {
  PartFields* p = PartOf(part, g_playerAction);
  if (!p || !p->owner) return;
  ObjectRef keep = ShareObject(part);
  if (p->value)
    RuntimeMediaPlay(p->owner);
  else
    RuntimeMediaStop(p->owner);
}

const MethodRecord kActionMethods[] = {
    Method("PerformAction", nullptr, nullptr, 0, (void*)&PerformPlayerAction),
};

void InitMoviePlayerClass() {
  FrameworkClassDef def{};
  def.name = "MoviePlayer";
  def.superclass = RectControlClass();
  def.instanceSize = int32_t(sizeof(MoviePlayerInstance));
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_player = BuildFrameworkClass(def);
  DeclareInterfaces(g_player, {Iface::kBindingPartInterface});
  g_playerAction =
      BuildPartClass("MoviePlayerAction", kActionMethods, {Iface::kActionNotificationReceiver});
}

}  // namespace

void InitMediaControls() {
  static bool done = false;
  if (done) return;
  done = true;
  comm::InitMedia();
  InitNotePlayerClass();
  InitMoviePlayerClass();
}

}  // namespace tess::ui

using tess::ui::PlayerOf;

extern "C" {

TessObject* getMovieMovie(TessObject* player, uint32_t) {
  if (!player) return nullptr;
  tess::LockObject(PlayerOf(player)->movie);
  return PlayerOf(player)->movie;
}

void mediaMovieSetter(TessObject* player, uint32_t, TessObject* movie) {
  if (!player) return;
  tess::LockObject(movie);
  TessObject* old = PlayerOf(player)->movie;
  PlayerOf(player)->movie = movie;
  tess::AtEntry([old] { tess::UnlockObject(old); });
}

int32_t mediaMovieControllerGetter(TessObject* player, uint32_t) {
  return player ? PlayerOf(player)->controller : 0;
}

// The controller bar runs along the bottom of the control, when shown.
int32_t mediaControllerWidthGetter(TessObject* player, uint32_t) {
  if (!player || PlayerOf(player)->controller != tess::ui::kFullController) return 0;
  return PlayerOf(player)->rect.width;
}

int32_t mediaControllerHeightGetter(TessObject* player, uint32_t) {
  if (!player || PlayerOf(player)->controller != tess::ui::kFullController) return 0;
  return tess::ui::kControllerBarHeight;
}

void mediaControllerLoopingSetter(TessObject* player, uint32_t, int32_t value) {
  if (player) PlayerOf(player)->looping = value & 0xFF ? 1 : 0;
}

void mediaControllerPalindromeSetter(TessObject* player, uint32_t, int32_t value) {
  if (player) PlayerOf(player)->palindrome = value & 0xFF ? 1 : 0;
}

void RuntimeMediaPlay(TessObject* player) {
  tess::AtEntry([player] {
    if (player && PlayerOf(player)->movie)
      tess::ThrowNew(tess::FindClassByName("UnsupportedFormatException"), tess::ui::kCannotPlay);
  });
}

void RuntimeMediaStop(TessObject*) {}

}  // extern "C"

extern "C" TessObject* mediaGetBoundPart(TessObject* player, TessString* part) {
  using namespace tess;
  if (!ui::g_player || !IsA(player, ui::g_player)) return nullptr;
  std::string_view name = View(part);
  if (SameName(name, "getPlayAction")) return ui::NewPart(ui::g_playerAction, player, 1);
  if (SameName(name, "getStopAction")) return ui::NewPart(ui::g_playerAction, player, 0);
  return nullptr;
}
