#include "ui/menu_bar.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/user/menu.h"
#include "runtime/alerts.h"
#include "runtime/assertions.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/image_data.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/assertions.h"
#include "ui/instance_layout.h"
#include "ui/mdi_frame.h"
#include "ui/menu_record.h"
#include "ui/shortcuts.h"
#include "ui/window_class.h"
#include "ui/window_object.h"
#include "ui/windowing.h"

namespace tess::ui {

using namespace platform;

// One item of a native menu: a MenuItem's place, or a separator.
struct MenuNode {
  HMENU menu = nullptr;     // the menu the item is in
  HMENU submenu = nullptr;  // set for a pop-up item
  UINT id = 0;
  bool separator = false;
  bool enabled = true, checked = false, visible = true;
  bool inserted = false;           // currently in the native menu
  TessObject* instance = nullptr;  // one reference; null for separators
  MenuNode* parent = nullptr;      // the pop-up item above, null under a title
  std::string nativeText;
};

namespace {

constexpr UINT kFirstCommand = 1000;

ClassObject* g_menuItem = nullptr;

struct MenuBarState {
  HMENU bar = nullptr;
  HWND holder = nullptr;
  std::vector<std::unique_ptr<MenuNode>> nodes;  // in menu order
  UINT nextId = kFirstCommand;
  AcceleratorTable accelerators;
  FocusMenuHooks focusHooks;
};

MenuBarState& Bar() {
  static MenuBarState state;
  return state;
}

EventRecord g_menuItemEvents[] = {
    {0, "Action", nullptr, "Boolean", 0, nullptr},
    {0, "EnableMenu", nullptr, nullptr, 0, nullptr},
};

#define OFFSET(field) uint32_t(offsetof(MenuItemFields, field))
const PropertyRecord kMenuItemProperties[] = {
    {0, "Name", &kStringType, (void*)&stringGetter, (void*)&stringSetter, OFFSET(name)},
    {0, "Index", &kIntegerType, (void*)&intGetter, nullptr, OFFSET(index)},
    {0, "Tag", &kStringType, (void*)&stringGetter, (void*)&stringSetter, OFFSET(tag)},
    {0, "BalloonHelp", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(balloonHelp)},
    {0, "DisabledBalloonHelp", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     OFFSET(disabledBalloonHelp)},
    {0, "Text", &kStringType, (void*)&menuItemTextGetter, (void*)&menuItemTextSetter, 0},
    {0, "Checked", &kBooleanType, (void*)&boolGetter, (void*)&boolInvalidateSetter,
     OFFSET(checked)},
    {0, "Enabled", &kBooleanType, (void*)&boolGetter, (void*)&boolInvalidateSetter,
     OFFSET(enabled)},
    {0, "Visible", &kBooleanType, (void*)&boolGetter, (void*)&boolInvalidateSetter,
     OFFSET(visible)},
    {0, "CommandKey", &kStringType, (void*)&stringGetter, (void*)&menuItemCommandKeySetter,
     OFFSET(commandKey)},
};
#undef OFFSET

const MethodRecord kMenuItemMethods[] = {
    {"Enable", nullptr, nullptr, 0, {(void*)&RuntimeEnableMenu}, {}},
    {"Close", nullptr, nullptr, 0, {(void*)&RuntimeCloseMenuItem}, {}},
};

MenuItemFields* Fields(TessObject* item) {
  return reinterpret_cast<MenuItemFields*>(item);
}

void ConstructItem(TessObject* object, ClassObject*) {
  MenuItemFields* f = Fields(object);
  f->index = kNotInArray;
  f->enabled = 1;
  f->visible = 1;
}

void DestructItem(TessObject* object, ClassObject*) {
  MenuItemFields* f = Fields(object);
  for (TessString** s :
       {&f->name, &f->tag, &f->balloonHelp, &f->disabledBalloonHelp, &f->text, &f->commandKey}) {
    UnlockString(*s);
    *s = nullptr;
  }
}

std::string NativeText(MenuItemFields* f) {
  std::string text(View(f->text));
  std::string accelerator = AcceleratorText(View(f->commandKey));
  if (!accelerator.empty()) text += "\t" + accelerator;
  return text;
}

// The item's position in its native menu: the inserted nodes before it.
UINT PositionOf(const MenuNode* node) {
  UINT position = 0;
  for (const auto& n : Bar().nodes) {
    if (n.get() == node) break;
    if (n->menu == node->menu && n->inserted) ++position;
  }
  return position;
}

void Insert(MenuNode* node) {
  UINT flags = MF_BYPOSITION;
  if (node->separator)
    flags |= MF_SEPARATOR;
  else if (node->submenu)
    flags |= MF_POPUP;
  if (!node->enabled) flags |= MF_GRAYED;
  if (node->checked) flags |= MF_CHECKED;
  UINT_PTR id = node->submenu ? UINT_PTR(reinterpret_cast<uintptr_t>(node->submenu)) : node->id;
  InsertMenuA(node->menu, PositionOf(node), flags, id,
              node->separator ? nullptr : node->nativeText.c_str());
  node->inserted = true;
}

// Applies the node's flags to its native item; true when something changed.
bool Apply(MenuNode* node) {
  if (!node->visible) {
    if (!node->inserted) return false;
    RemoveMenu(node->menu, PositionOf(node), MF_BYPOSITION);
    node->inserted = false;
    return true;
  }
  if (!node->inserted) {
    Insert(node);
    return true;
  }
  UINT position = PositionOf(node);
  UINT before = GetMenuState(node->menu, position, MF_BYPOSITION);
  EnableMenuItem(node->menu, position, MF_BYPOSITION | (node->enabled ? MF_ENABLED : MF_GRAYED));
  CheckMenuItem(node->menu, position, MF_BYPOSITION | (node->checked ? MF_CHECKED : MF_UNCHECKED));
  return before != GetMenuState(node->menu, position, MF_BYPOSITION);
}

void SyncFromInstance(MenuNode* node) {
  if (!node->instance) return;
  MenuItemFields* f = Fields(node->instance);
  node->enabled = f->enabled;
  node->checked = f->checked;
  node->visible = f->visible;
}

MenuNode* NodeOfId(UINT id) {
  for (const auto& n : Bar().nodes)
    if (n->id == id && !n->separator) return n.get();
  return nullptr;
}

// An item whose class is no MenuItem subclass is made a MenuItem.
TessObject* NewItem(int32_t classIndex) {
  ClassObject* cls = ClassAt(classIndex);
  bool isItem = false;
  for (const ClassObject* c = cls; c; c = c->superclass) isItem |= c == g_menuItem;
  return CreateObject(isItem ? cls : g_menuItem);
}

// The application object, one reference held by the holder.
ObjectRef Application() {
  return ObjectRef::Adopt(getAppObject());
}

MenuNode* AddNode(HMENU menu, MenuNode* parent, const MenuEntry& entry) {
  auto node = std::make_unique<MenuNode>();
  node->menu = menu;
  node->parent = parent;
  if (entry.text == "-") {
    node->separator = true;
  } else {
    TessObject* item = NewItem(entry.classIndex);
    MenuItemFields* f = Fields(item);
    f->node = node.get();
    f->name = MakeString(entry.name);
    f->index = entry.index;
    f->text = MakeString(entry.text);
    f->commandKey = MakeString(entry.commandKey);
    node->instance = item;
    node->id = Bar().nextId++;
    node->nativeText = NativeText(f);
    std::string accelerator = AcceleratorText(entry.commandKey);
    if (!accelerator.empty()) Bar().accelerators.Register(accelerator, node.get());
  }
  MenuNode* raw = node.get();
  Bar().nodes.push_back(std::move(node));
  return raw;
}

void BuildChildren(HMENU menu, MenuNode* parent, const std::vector<MenuEntry>& children) {
  for (const MenuEntry& child : children) {
    if (child.kind == kMenuEntryPlaceholder) continue;
    MenuNode* node = AddNode(menu, parent, child);
    if (child.hasSubmenu && !node->separator) {
      node->submenu = CreatePopupMenu();
      BuildChildren(node->submenu, node, child.children);
    }
    Insert(node);
  }
}

// Menu handlers are hooks named like the item, found from the class up.
bool CallMenuHandlers(TessObject* receiver, MenuItemFields* item) {
  if (!receiver) return false;
  std::string_view name = View(item->name);
  bool inArray = item->index != kNotInArray;
  for (const ClassObject* c = Header(receiver)->cls; c; c = c->superclass) {
    for (const HookDescriptor* h = c->hooks; h; h = h->next) {
      if (!SameName(View(h->name), name)) continue;
      uint32_t self = uint32_t(reinterpret_cast<uintptr_t>(receiver));
      uint32_t result = inArray ? CallCompiled(h->code, {self, uint32_t(item->index)})
                                : CallCompiled(h->code, {self});
      if (result & 0xFF) return true;
    }
  }
  return false;
}

TessObject* FrontWindowInstance() {
  WindowObject* w = WindowOf(FrontDocumentOf(GetActiveWindow()));
  return w && !w->closing ? w->instance : nullptr;
}

bool IsQuitItem(TessObject* item) {
  for (const ClassObject* c = Header(item)->cls; c; c = c->superclass)
    if (SameName(View(c->name), "QuitMenuItem")) return true;
  return false;
}

MenuItemFields* Checked(TessObject* item) {
  if (!IsMenuItem(item)) return nullptr;
  MenuItemFields* f = Fields(item);
  if (!f->node) InternalAssertion(kFailedCheck, kSourceMenuBar, __LINE__);
  return f->node ? f : nullptr;
}

}  // namespace

void InitMenuClasses() {
  if (g_menuItem) return;
  FrameworkClassDef item{};
  item.name = "MenuItem";
  item.superclass = RootClass();
  item.instanceSize = int32_t(sizeof(MenuItemFields));
  item.construct = &ConstructItem;
  item.destruct = &DestructItem;
  item.properties = kMenuItemProperties;
  item.methods = kMenuItemMethods;
  item.events = g_menuItemEvents;
  g_menuItem = BuildFrameworkClass(item);
  for (const char* name : {"QuitMenuItem", "PrefsMenuItem"}) {
    FrameworkClassDef sub{};
    sub.name = name;
    sub.superclass = g_menuItem;
    sub.instanceSize = item.instanceSize;
    BuildFrameworkClass(sub);
  }
}

ClassObject* MenuItemClass() {
  return g_menuItem;
}

bool IsMenuItem(TessObject* object) {
  return object && g_menuItem && IsA(object, g_menuItem);
}

bool BuildMenuBar(const void* record) {
  MenuBarState& s = Bar();
  if (s.bar) return true;
  std::vector<MenuEntry> menus;
  std::string message;
  std::span<const uint8_t> bytes = ImageDataFrom(record);
  if (bytes.empty() || !ReadMenuBar(bytes, &menus, &message)) return false;
  s.bar = CreateMenu();
  for (const MenuEntry& title : menus) {
    // Placeholders and entries of kind 1 make no menu; the reader has read
    // past their children.
    if (title.kind == kMenuEntryPlaceholder || title.kind == kMenuEntryNoMenu) continue;
    HMENU popup = CreatePopupMenu();
    BuildChildren(popup, nullptr, title.children);
    AppendMenuA(s.bar, MF_POPUP, UINT_PTR(reinterpret_cast<uintptr_t>(popup)), title.text.c_str());
  }
  for (WindowObject* w = FirstWindow(); w; w = w->next)
    OfferMenuBar(w->hwnd, w->frameKind == 0 || w->frameKind == 8);
  return true;
}

HMENU MenuBarHandle() {
  return Bar().bar;
}

void OfferMenuBar(HWND hwnd, bool documentWindow) {
  MenuBarState& s = Bar();
  if (!s.bar || s.holder || !documentWindow) return;
  s.holder = hwnd;
  SetMenu(hwnd, s.bar);
}

bool WouldTakeMenuBar(bool documentWindow) {
  return Bar().bar && !Bar().holder && documentWindow;
}

void TookMenuBar(HWND hwnd) {
  Bar().holder = hwnd;
}

void ReleaseMenuBar(HWND hwnd) {
  MenuBarState& s = Bar();
  if (s.holder != hwnd) return;
  SetMenu(hwnd, nullptr);
  s.holder = nullptr;
}

void RunEnablingPass() {
  MenuBarState& s = Bar();
  if (!s.bar) return;
  std::vector<ObjectRef> items;
  for (const auto& n : s.nodes)
    if (n->instance) {
      items.push_back(ShareObject(n->instance));
      Fields(n->instance)->enabled = 0;
    }
  const EventDescriptor* enableMenu =
      static_cast<const EventDescriptor*>(g_menuItemEvents[1].descriptor);
  for (const ObjectRef& item : items) FireEvent(item.get(), enableMenu, {});
  if (s.focusHooks.enable) s.focusHooks.enable();
  if (TessObject* front = FrontWindowInstance())
    FireEvent(front, EventOf(WindowEvent::kEnableMenuItems), {});
  if (ObjectRef app = Application(); app.get())
    FireEvent(app.get(), ApplicationEvent(AppEvent::kEnableMenuItems), {});

  for (const auto& n : s.nodes) SyncFromInstance(n.get());
  // A pop-up item is usable when anything under it is.
  for (auto it = s.nodes.rbegin(); it != s.nodes.rend(); ++it) {
    MenuNode* n = it->get();
    if (n->parent && n->enabled && n->visible) n->parent->enabled = true;
  }
  bool changed = false;
  for (const auto& n : s.nodes) changed |= Apply(n.get());
  if (changed && s.holder) DrawMenuBar(s.holder);
}

bool DispatchMenuCommand(uint32_t id) {
  MenuNode* node = NodeOfId(id);
  if (!node || !node->instance) return false;
  ObjectRef item = ShareObject(node->instance);
  MenuItemFields* f = Fields(item.get());
  if (Bar().focusHooks.dispatch && Bar().focusHooks.dispatch(View(f->name))) return true;
  if (CallMenuHandlers(FrontWindowInstance(), f)) return true;
  if (CallMenuHandlers(Application().get(), f)) return true;
  uint32_t handled = 0;
  const EventDescriptor* action =
      static_cast<const EventDescriptor*>(g_menuItemEvents[0].descriptor);
  if (FireEvent(item.get(), action, {}, &handled) && (handled & 0xFF)) return true;
  if (IsQuitItem(item.get())) ApplicationQuit();
  return true;
}

bool OfferMenuShortcut(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
  std::string text = KeyText(int(msg.wParam), GetKeyState(VK_CONTROL) < 0,
                             GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0);
  if (text.empty()) return false;
  auto* node = static_cast<MenuNode*>(const_cast<void*>(Bar().accelerators.Find(text)));
  if (!node) return false;
  // The shortcut of an item the enabling pass leaves disabled does nothing.
  RunEnablingPass();
  if (node->enabled && node->visible) DispatchMenuCommand(node->id);
  return true;
}

void SetFocusMenuHooks(FocusMenuHooks hooks) {
  Bar().focusHooks = hooks;
}

void EnableMenuItemNamed(std::string_view name) {
  for (const auto& n : Bar().nodes)
    if (n->instance && SameName(View(Fields(n->instance)->name), name))
      Fields(n->instance)->enabled = 1;
}

void RefreshMenuItem(TessObject* item) {
  if (!IsMenuItem(item) || !Fields(item)->node) return;
  MenuNode* node = Fields(item)->node;
  SyncFromInstance(node);
  if (Apply(node) && Bar().holder) DrawMenuBar(Bar().holder);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

TessString* menuItemTextGetter(TessObject* item, uint32_t) {
  return IsMenuItem(item) ? Share(Fields(item)->text) : nullptr;
}

void menuItemTextSetter(TessObject* item, uint32_t, TessString* text) {
  MenuItemFields* f = Checked(item);
  if (!f) return;
  RuntimeLockUnlockStrings(text, f->text);
  f->text = text;
  MenuNode* node = f->node;
  node->nativeText = NativeText(f);
  if (!node->inserted) return;
  MENUITEMINFOA info{};
  info.fMask = MIIM_STRING;
  info.dwTypeData = node->nativeText.data();
  SetMenuItemInfoA(node->menu, PositionOf(node), true, &info);
  if (Bar().holder) DrawMenuBar(Bar().holder);
}

void menuItemCommandKeySetter(TessObject* item, uint32_t, TessString* key) {
  if (!IsMenuItem(item)) return;
  MenuItemFields* f = Fields(item);
  RuntimeLockUnlockStrings(key, f->commandKey);
  f->commandKey = key;
  MenuNode* node = f->node;
  if (!node) return;
  Bar().accelerators.Register(AcceleratorText(View(key)), node);
  menuItemTextSetter(item, 0, f->text);  // the shortcut text follows the key
}

TessObject* RuntimeMenuReference(TessString* name) {
  for (const auto& n : Bar().nodes)
    if (n->instance && SameName(View(Fields(n->instance)->name), View(name))) {
      LockObject(n->instance);
      return n->instance;
    }
  return nullptr;
}

TessObject* RuntimeMenuArrayReference(TessString* name, int32_t index) {
  for (const auto& n : Bar().nodes)
    if (n->instance && Fields(n->instance)->index == index &&
        SameName(View(Fields(n->instance)->name), View(name))) {
      LockObject(n->instance);
      return n->instance;
    }
  return nullptr;
}

// A new item of the same class, name and array, after the array's last item.
TessObject* RuntimeCloneMenu(TessObject* original) {
  MenuItemFields* f = Checked(original);
  if (!f) return nullptr;
  MenuBarState& s = Bar();
  auto at = std::find_if(s.nodes.begin(), s.nodes.end(),
                         [&](const auto& n) { return n.get() == f->node; });
  int32_t last = f->index == kNotInArray ? 0 : f->index;
  for (auto it = at; it != s.nodes.end(); ++it) {
    MenuNode* n = it->get();
    if (n->menu != f->node->menu) continue;
    if (!n->instance || !SameName(View(Fields(n->instance)->name), View(f->name))) break;
    last = std::max(last, Fields(n->instance)->index);
    at = it;
  }
  MenuEntry entry;
  entry.text = std::string(View(f->text));
  entry.name = std::string(View(f->name));
  entry.index = last + 1;
  auto node = std::make_unique<MenuNode>();
  node->menu = f->node->menu;
  node->parent = f->node->parent;
  TessObject* item = CreateObject(Header(original)->cls);
  MenuItemFields* c = Fields(item);
  c->node = node.get();
  c->name = Share(f->name);
  c->index = entry.index;
  c->text = Share(f->text);
  node->instance = item;
  node->id = s.nextId++;
  node->nativeText = NativeText(c);
  MenuNode* raw = node.get();
  s.nodes.insert(at + 1, std::move(node));
  Insert(raw);
  if (s.holder) DrawMenuBar(s.holder);
  LockObject(item);
  return item;
}

void RuntimeCloseMenuItem(TessObject* item) {
  MenuItemFields* f = IsMenuItem(item) ? Fields(item) : nullptr;
  if (!f || !f->node) return;
  MenuBarState& s = Bar();
  MenuNode* node = f->node;
  if (node->inserted) RemoveMenu(node->menu, PositionOf(node), MF_BYPOSITION);
  s.accelerators.Remove(node);
  f->node = nullptr;
  TessObject* owned = node->instance;
  s.nodes.erase(
      std::find_if(s.nodes.begin(), s.nodes.end(), [&](const auto& n) { return n.get() == node; }));
  if (s.holder) DrawMenuBar(s.holder);
  UnlockObject(owned);
}

void RuntimeEnableMenu(TessObject* item) {
  if (!IsMenuItem(item)) return;
  Fields(item)->enabled = 1;
  if (Fields(item)->node) Fields(item)->node->enabled = true;
}

void enableMenuItems() {
  tess::AtEntry([] { RunEnablingPass(); });
}

}  // extern "C"
