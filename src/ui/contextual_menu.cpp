// ContextualMenu: rows added in code, shown at the pointer on the host's
// TrackPopupMenu over the control's window (the active window when it has
// none); the row chosen reaches Action with its text. Rows given as "-"
// and separators added with AddSeparator are drawn as lines.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/window_class.h"
#include "ui/window_object.h"

namespace tess::ui {

void InitContextualMenuClass();

namespace {

using namespace platform;

struct MenuFields {
  ControlFields control;
  std::vector<std::string>* rows;
  uint8_t useCMM;
  uint8_t reserved[3];
};
#if defined(__i386__)
static_assert(offsetof(MenuFields, rows) == 52);
static_assert(sizeof(MenuFields) == 60);
#endif

ClassObject* g_class = nullptr;
EventRecord g_events[] = {
    {0, "Action", "Item As String", nullptr, 1001, nullptr},
};

MenuFields* M(TessObject* o) {
  return o && g_class && IsA(o, g_class) ? FieldsOf<MenuFields>(o) : nullptr;
}

void Construct(TessObject* o, ClassObject*) {
  FieldsOf<MenuFields>(o)->rows = new std::vector<std::string>;
}
void Destruct(TessObject* o, ClassObject*) {
  delete FieldsOf<MenuFields>(o)->rows;
  FieldsOf<MenuFields>(o)->rows = nullptr;
}

const PropertyRecord kProperties[] = {
    {0, "UseCMM", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter,
     uint32_t(offsetof(MenuFields, useCMM))},
};
const ParameterRecord kTextParameter[] = {{"Text", &kStringType, {}}};
const MethodRecord kMethods[] = {
    {"DeleteAllRows", nullptr, nullptr, 0, {(void*)&contextualMenuResetContent}, {}},
    {"AddRow", nullptr, kTextParameter, 1, {(void*)&contextualMenuAddRow}, {}},
    {"AddSeparator", nullptr, nullptr, 0, {(void*)&contextualMenuAddSeparator}, {}},
    {"Open", nullptr, nullptr, 0, {(void*)&contextualMenuOpen}, {}},
};

}  // namespace

void InitContextualMenuClass() {
  if (g_class) return;
  FrameworkClassDef def{};
  def.name = "ContextualMenu";
  def.superclass = ControlClass();
  def.instanceSize = int32_t(sizeof(MenuFields));
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  def.events = g_events;
  g_class = BuildFrameworkClass(def);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

void contextualMenuResetContent(TessObject* menu) {
  if (MenuFields* m = M(menu)) m->rows->clear();
}

void contextualMenuAddRow(TessObject* menu, TessString* text) {
  if (MenuFields* m = M(menu)) m->rows->emplace_back(View(text));
}

void contextualMenuAddSeparator(TessObject* menu) {
  if (MenuFields* m = M(menu)) m->rows->emplace_back("-");
}

void contextualMenuOpen(TessObject* menu) {
  MenuFields* m = M(menu);
  if (!m || m->rows->empty()) return;
  WindowObject* window = WindowOfInstance(m->control.window);
  HWND owner = window && !window->closing ? window->hwnd : GetActiveWindow();
  if (!owner) return;
  HMENU popup = CreatePopupMenu();
  for (size_t i = 0; i < m->rows->size(); ++i) {
    const std::string& row = (*m->rows)[i];
    if (row == "-")
      AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuA(popup, MF_STRING, i + 1, row.c_str());
  }
  POINT at{};
  GetCursorPos(&at);
  ObjectRef keep = ShareObject(menu);
  int chosen = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0,
                              owner, nullptr);
  DestroyMenu(popup);
  if (chosen < 1 || size_t(chosen) > m->rows->size()) return;
  StringRef text = StringRef::Adopt(MakeString((*m->rows)[size_t(chosen - 1)]));
  FireEvent(menu, g_events[0].descriptor, {uint32_t(reinterpret_cast<uintptr_t>(text.get()))});
}

}  // extern "C"
