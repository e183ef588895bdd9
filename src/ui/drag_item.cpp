// DragItem, the drop acceptance lists of windows and controls, and drops
// between them.
//
// A drag item holds items (the current one and a list of the others), each
// with a rectangle in its source window's coordinates, and flavors per
// item, newest first: 'TEXT' bytes, a 'DIBM' picture, a 'FOLD' FolderItem,
// or type 4, the 4-byte type name followed by the data.
//
// Drag offers the platform one format whose number is a bit set of the
// current item's flavors (1 text, 2 picture, 4 named data, 16 file); only
// text travels in the medium. A window of this process reads everything
// else from the dragged item itself, the process-wide slot that Drag sets.
//
// Receiving: every open window gets a drop target. At the drop point the
// receiver is the innermost pane whose control accepts something offered,
// else the window if it does. The drop builds a new, received drag item
// holding only the flavors the receiver accepts, every item's rectangle
// moved with the pointer into the receiver's coordinates, and queues it;
// the queue is delivered as DropObject by the loop that dispatches next
// (a posted message), never inside the drag loop.
#include <cstddef>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/folder_item.h"
#include "graphics/picture.h"
#include "platform/ole/dragdrop.h"
#include "platform/user/messages.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/clipboard_drag.h"
#include "ui/instance_layout.h"
#include "ui/window_class.h"
#include "ui/window_object.h"

namespace tess::ui {

namespace {

namespace host = tess::platform;

constexpr uint32_t FourCC(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 |
         uint32_t(uint8_t(s[2])) << 8 | uint8_t(s[3]);
}
constexpr uint32_t kText = FourCC("TEXT"), kPicture = FourCC("DIBM"), kFolder = FourCC("FOLD"),
                   kNamed = 4;
// The bits of the one format a drag offers.
constexpr host::UINT kOfferText = 1, kOfferPicture = 2, kOfferNamed = 4, kOfferFile = 16;
constexpr host::UINT kDeliverDrops = host::WM_APP + 0x3D0;

struct ItemRect {
  int32_t number;
  int16_t left, top, right, bottom;
};

struct Flavor {
  int32_t item;
  uint32_t type;
  std::string bytes;
  TessObject* picture = nullptr;  // counted
  TessObject* folder = nullptr;   // counted
};

struct DragState {
  ItemRect current{};
  std::vector<ItemRect> items;  // the others, in the order added
  bool received = false;
  std::deque<Flavor> flavors;    // newest first
  TessObject* source = nullptr;  // counted
};

struct DragItemFields {
  ObjectHeader header;
  DragState* state;
  TessObject* mouseCursor;  // counted, plain field
  TessObject* destination;  // counted
};

ClassObject* g_dragItem = nullptr;
const TypeDescriptor kPictureType{0, "Picture", {}};
const TypeDescriptor kFolderItemType{0, "FolderItem", {}};
const TypeDescriptor kObjectType{0, "Object", {}};

// The drag under way: the item dragged and where the pointer started.
TessObject* g_dragged = nullptr;
host::POINT g_dragStart{};

DragState* StateOf(TessObject* o) {
  return o && IsA(o, g_dragItem) ? reinterpret_cast<DragItemFields*>(o)->state : nullptr;
}

void Construct(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<DragItemFields*>(object);
  f->state = new DragState;
  f->mouseCursor = f->destination = nullptr;
}

void Destruct(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<DragItemFields*>(object);
  if (DragState* s = f->state) {
    for (Flavor& fl : s->flavors) {
      UnlockObject(fl.picture);
      UnlockObject(fl.folder);
    }
    UnlockObject(s->source);
    delete s;
  }
  f->state = nullptr;
  UnlockObject(f->mouseCursor);
  UnlockObject(f->destination);
  f->mouseCursor = f->destination = nullptr;
}

Flavor* Find(DragState* s, int32_t item, uint32_t type) {
  for (Flavor& f : s->flavors)
    if (f.item == item && f.type == type) return &f;
  return nullptr;
}

Flavor* Make(DragState* s, uint32_t type) {
  if (Flavor* f = Find(s, s->current.number, type)) return f;
  s->flavors.push_front(Flavor{s->current.number, type, {}});
  return &s->flavors.front();
}

bool HasFlavor(TessObject* item, uint32_t type) {
  DragState* s = StateOf(item);
  return s && Find(s, s->current.number, type);
}

bool SameType(std::string_view stored, std::string_view asked) {
  return SameName(stored, asked);
}

// The window instance of a source or destination (a window or a control).
TessObject* WindowInstanceOf(TessObject* object) {
  if (IsWindow(object)) return object;
  if (IsControl(object)) return FieldsOf<ControlFields>(object)->window;
  return nullptr;
}

WindowObject* OpenWindowOf(TessObject* object) {
  TessObject* w = WindowInstanceOf(object);
  return w ? FieldsOf<WindowFields>(w)->window : nullptr;
}

host::POINT OriginInWindow(TessObject* object) {
  if (IsRectControl(object)) {
    RectControlFields* r = FieldsOf<RectControlFields>(object);
    return {r->left, r->top};
  }
  return {0, 0};
}

int16_t Clamp16(int32_t v) {
  return int16_t(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v);
}

ItemRect RectFor(TessObject* source, int32_t number, int32_t left, int32_t top, int32_t width,
                 int32_t height) {
  host::POINT o = OriginInWindow(source);
  return {number, Clamp16(left + o.x), Clamp16(top + o.y), Clamp16(left + o.x + width),
          Clamp16(top + o.y + height)};
}

TessObject* NewDragItem(TessObject* source, int32_t left, int32_t top, int32_t width,
                        int32_t height) {
  TessObject* item = CreateObject(g_dragItem);
  DragState* s = StateOf(item);
  LockObject(source);
  s->source = source;
  s->current = RectFor(source, 0, left, top, width, height);
  return item;
}

// --- Acceptance ---------------------------------------------------------

DropAcceptance* AcceptanceOfWindow(TessObject* window) {
  WindowObject* w = IsWindow(window) ? FieldsOf<WindowFields>(window)->window : nullptr;
  return w ? &w->drops : nullptr;
}

DropAcceptance* AcceptanceOfControl(TessObject* control) {
  Pane* p = IsControl(control) ? FieldsOf<ControlFields>(control)->pane : nullptr;
  return p ? &p->drops : nullptr;
}

void RegisterWindowTargets();

// Accepting anything makes sure the windows can be dropped on.
void AddKind(DropAcceptance* a, std::string kind) {
  if (!a || kind.empty()) return;
  RegisterWindowTargets();
  for (const std::string& k : a->kinds)
    if (SameType(k, kind)) return;
  a->kinds.push_back(std::move(kind));
}

void AddFileType(DropAcceptance* a, std::string type) {
  if (!a) return;
  RegisterWindowTargets();
  a->fileTypes.push_back(std::move(type));
}

bool AcceptsKind(const DropAcceptance& a, std::string_view kind) {
  for (const std::string& k : a.kinds)
    if (SameType(k, kind)) return true;
  return false;
}

// Whether the receiver takes this flavor at all.
bool Takes(const DropAcceptance& a, const Flavor& f) {
  switch (f.type) {
    case kText:
      return AcceptsKind(a, "TEXT");
    case kPicture:
      return AcceptsKind(a, "PICT");
    case kFolder:
      return !a.fileTypes.empty();
    case kNamed:
      return f.bytes.size() >= 4 && AcceptsKind(a, std::string_view(f.bytes).substr(0, 4));
    default:
      return false;
  }
}

bool TakesAny(const DropAcceptance& a, DragState* s) {
  for (const Flavor& f : s->flavors)
    if (Takes(a, f)) return true;
  return false;
}

// The receiver at a point of the window (window coordinates): the innermost
// accepting control, else the window; null when nothing there takes any.
TessObject* ReceiverAt(WindowObject* w, host::POINT at, DragState* s,
                       const DropAcceptance** acceptance) {
  for (Pane* p = PaneAt(w, at); p; p = p->parent) {
    if (p->control && TakesAny(p->drops, s)) {
      *acceptance = &p->drops;
      return p->control;
    }
  }
  if (TakesAny(w->drops, s)) {
    *acceptance = &w->drops;
    return w->instance;
  }
  return nullptr;
}

// --- Posted drops -------------------------------------------------------

struct PostedDrop {
  TessObject* window;   // counted
  TessObject* control;  // counted, or null
  TessObject* item;     // counted
};
std::deque<PostedDrop> g_posted;
host::HWND g_post = nullptr;

void DeliverPostedDrops() {
  while (!g_posted.empty()) {
    PostedDrop d = g_posted.front();
    g_posted.pop_front();
    struct Release {
      PostedDrop& d;
      ~Release() {
        UnlockObject(d.item);
        UnlockObject(d.control);
        UnlockObject(d.window);
      }
    } release{d};
    uint32_t arg = uint32_t(reinterpret_cast<uintptr_t>(d.item));
    if (d.control)
      FireEvent(d.control, EventOf(ControlEvent::kDropObject), {arg});
    else
      FireEvent(d.window, EventOf(WindowEvent::kDropObject), {arg});
  }
}

host::LRESULT PostProc(host::HWND hwnd, host::UINT msg, host::WPARAM wParam, host::LPARAM lParam) {
  if (msg == kDeliverDrops) {
    DeliverPostedDrops();
    return 0;
  }
  return host::DefWindowProc(hwnd, msg, wParam, lParam);
}

void PostDrop(TessObject* receiver, TessObject* item) {
  if (!g_post) {
    host::WNDCLASS wc{};
    wc.lpfnWndProc = &PostProc;
    wc.lpszClassName = "TSDropPost";
    host::RegisterClass(&wc);
    g_post = host::CreateWindowEx(0, "TSDropPost", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                                  nullptr);
  }
  TessObject* window = WindowInstanceOf(receiver);
  TessObject* control = receiver == window ? nullptr : receiver;
  LockObject(window);
  LockObject(control);
  g_posted.push_back({window, control, item});
  if (g_posted.size() == 1 && g_post) host::PostMessage(g_post, kDeliverDrops, 0, 0);
}

// --- Platform objects ---------------------------------------------------

class DataObject final : public host::IDataObject {
 public:
  explicit DataObject(TessObject* item) : item_(item) { LockObject(item_); }
  ~DataObject() override { UnlockObject(item_); }
  TessObject* item() const { return item_; }

  host::HRESULT GetData(const host::FORMATETC& format, host::STGMEDIUM* medium) override {
    if (!medium) return host::E_INVALIDARG;
    DragState* s = StateOf(item_);
    Flavor* text = s ? Find(s, s->current.number, kText) : nullptr;
    if (!(format.cfFormat & kOfferText) || !text) return host::DV_E_FORMATETC;
    host::HGLOBAL h = host::GlobalAlloc(host::GMEM_MOVEABLE, text->bytes.size() + 1);
    std::memcpy(host::GlobalLock(h), text->bytes.c_str(), text->bytes.size() + 1);
    host::GlobalUnlock(h);
    medium->tymed = host::TYMED_HGLOBAL;
    medium->hGlobal = h;
    return host::S_OK;
  }
  host::HRESULT QueryGetData(const host::FORMATETC& format) override {
    return format.cfFormat == kOfferText && HasFlavor(item_, kText) ? host::S_OK : host::S_FALSE;
  }
  std::vector<host::FORMATETC> EnumFormatEtc() override {
    DragState* s = StateOf(item_);
    host::UINT bits = 0;
    if (s) {
      for (const Flavor& f : s->flavors) {
        if (f.item != s->current.number) continue;
        bits |= f.type == kText      ? kOfferText
                : f.type == kPicture ? kOfferPicture
                : f.type == kNamed   ? kOfferNamed
                : f.type == kFolder  ? kOfferFile
                                     : 0;
      }
    }
    return {host::FORMATETC{bits}};
  }

 private:
  TessObject* item_;
};

class DropSource final : public host::IDropSource {
 public:
  host::HRESULT QueryContinueDrag(host::BOOL escape, host::DWORD keys) override {
    if (escape) return host::DRAGDROP_S_CANCEL;
    if (!(keys & (host::MK_LBUTTON | host::MK_RBUTTON))) return host::DRAGDROP_S_DROP;
    return host::S_OK;
  }
};

// The dragged item as a receiver may see it: ours when it comes from this
// process, otherwise a text-only item made from the medium.
TessObject* DraggedItem(host::IDataObject* data) {
  if (auto* ours = dynamic_cast<DataObject*>(data)) return ours->item();
  return nullptr;
}

class WindowDropTarget final : public host::IDropTarget {
 public:
  explicit WindowDropTarget(host::HWND hwnd) : hwnd_(hwnd) {}

  host::HRESULT DragEnter(host::IDataObject* data, host::DWORD, host::POINT at,
                          host::DWORD* effect) override {
    data_ = data;
    *effect = Receiver(at) ? host::DROPEFFECT_COPY : host::DROPEFFECT_NONE;
    return host::S_OK;
  }
  host::HRESULT DragOver(host::DWORD, host::POINT at, host::DWORD* effect) override {
    *effect = Receiver(at) ? host::DROPEFFECT_COPY : host::DROPEFFECT_NONE;
    return host::S_OK;
  }
  host::HRESULT DragLeave() override {
    data_ = nullptr;
    return host::S_OK;
  }
  host::HRESULT Drop(host::IDataObject* data, host::DWORD, host::POINT at,
                     host::DWORD* effect) override {
    data_ = data;
    const DropAcceptance* acceptance = nullptr;
    TessObject* receiver = Receiver(at, &acceptance);
    data_ = nullptr;
    *effect = host::DROPEFFECT_NONE;
    if (!receiver) return host::S_OK;
    TessObject* received = Received(DraggedItem(data), receiver, *acceptance, at);
    PostDrop(receiver, received);
    *effect = host::DROPEFFECT_COPY;
    return host::S_OK;
  }

 private:
  TessObject* Receiver(host::POINT at, const DropAcceptance** acceptance = nullptr) {
    WindowObject* w = WindowOf(hwnd_);
    DragState* s = StateOf(DraggedItem(data_));
    if (!w || w->closing || !s) return nullptr;
    host::RECT content = ContentRect(w);
    const DropAcceptance* a = nullptr;
    TessObject* r = ReceiverAt(w, {at.x - content.left, at.y - content.top}, s, &a);
    if (acceptance) *acceptance = a;
    return r;
  }

  // A copy of `dragged` for `receiver`: its accepted flavors, its items'
  // rectangles moved by the drag into the receiver's coordinates.
  static TessObject* Received(TessObject* dragged, TessObject* receiver, const DropAcceptance& a,
                              host::POINT at) {
    DragState* from = StateOf(dragged);
    TessObject* item = CreateObject(g_dragItem);
    DragState* to = StateOf(item);
    auto* f = reinterpret_cast<DragItemFields*>(item);
    LockObject(receiver);
    f->destination = receiver;
    to->received = true;
    WindowObject* sw = OpenWindowOf(from->source);
    WindowObject* dw = OpenWindowOf(receiver);
    host::RECT so = sw ? ContentRect(sw) : host::RECT{};
    host::RECT dO = dw ? ContentRect(dw) : host::RECT{};
    host::POINT ro = OriginInWindow(receiver);
    int32_t dx = so.left + (at.x - g_dragStart.x) - dO.left - ro.x;
    int32_t dy = so.top + (at.y - g_dragStart.y) - dO.top - ro.y;
    auto moved = [&](const ItemRect& r) {
      return ItemRect{r.number, Clamp16(r.left + dx), Clamp16(r.top + dy), Clamp16(r.right + dx),
                      Clamp16(r.bottom + dy)};
    };
    int32_t first = from->current.number;
    for (const ItemRect& r : from->items) {
      to->items.push_back(moved(r));
      if (r.number < first) first = r.number;
    }
    to->items.push_back(moved(from->current));
    to->current = moved(from->current);
    for (const ItemRect& r : to->items)
      if (r.number == first) to->current = r;
    for (auto it = from->flavors.rbegin(); it != from->flavors.rend(); ++it) {
      if (!Takes(a, *it)) continue;
      Flavor copy = *it;
      LockObject(copy.picture);
      LockObject(copy.folder);
      to->flavors.push_front(std::move(copy));
    }
    LockObject(from->source);
    to->source = from->source;
    return item;
  }

  host::HWND hwnd_;
  host::IDataObject* data_ = nullptr;
};

std::map<host::HWND, std::unique_ptr<WindowDropTarget>> g_targets;

// Gives every open window a drop target; targets of windows that are gone
// are let go.
void RegisterWindowTargets() {
  for (auto it = g_targets.begin(); it != g_targets.end();) {
    if (!host::IsWindow(it->first)) {
      host::RevokeDragDrop(it->first);
      it = g_targets.erase(it);
    } else {
      ++it;
    }
  }
  for (WindowObject* w = FirstWindow(); w; w = w->next) {
    if (!w->hwnd || g_targets.count(w->hwnd)) continue;
    auto target = std::make_unique<WindowDropTarget>(w->hwnd);
    if (host::RegisterDragDrop(w->hwnd, target.get()) == host::S_OK)
      g_targets.emplace(w->hwnd, std::move(target));
  }
}

const PropertyRecord kProperties[] = {
    {0, "Text", &kStringType, (void*)&dragItemTextGetter, (void*)&dragItemTextSetter, 0},
    {0, "Picture", &kPictureType, (void*)&dragItemPictureGetter, (void*)&dragItemPictureSetter, 0},
    {0, "FolderItem", &kFolderItemType, (void*)&dragItemFolderItemGetter,
     (void*)&dragItemFolderItemSetter, 0},
    {0, "MouseCursor", &kObjectType, (void*)&objGetter, (void*)&objSetter,
     offsetof(DragItemFields, mouseCursor)},
    {0, "DropLeft", &kIntegerType, (void*)&dragItemDropLeft, nullptr, 0},
    {0, "DropTop", &kIntegerType, (void*)&dragItemDropTop, nullptr, 0},
    {0, "DropWidth", &kIntegerType, (void*)&dragItemDropWidth, nullptr, 0},
    {0, "DropHeight", &kIntegerType, (void*)&dragItemDropHeight, nullptr, 0},
    {0, "Destination", &kObjectType, (void*)&objGetter, nullptr,
     offsetof(DragItemFields, destination)},
};
const ParameterRecord kType[] = {{"macType", &kStringType, {}}};
const ParameterRecord kRect[] = {{"left", &kIntegerType, {}},
                                 {"top", &kIntegerType, {}},
                                 {"width", &kIntegerType, {}},
                                 {"height", &kIntegerType, {}}};
const MethodRecord kMethods[] = {
    MethodRecord{"TextAvailable", &kBooleanType, {}, 0, {(void*)&DragItemTextAvailable}, {}},
    MethodRecord{"PictureAvailable", &kBooleanType, {}, 0, {(void*)&DragItemPictureAvailable}, {}},
    MethodRecord{
        "FolderItemAvailable", &kBooleanType, {}, 0, {(void*)&DragItemFolderItemAvailable}, {}},
    MethodRecord{
        "MacDataAvailable", &kBooleanType, kType, 1, {(void*)&DragItemMacDataAvailable}, {}},
    MethodRecord{"MacData", &kStringType, kType, 1, {(void*)&DragItemGetMacData}, {}},
    MethodRecord{"PrivateMacData", &kStringType, kType, 1, {(void*)&DragItemGetMacData}, {}},
    MethodRecord{"Drag", nullptr, {}, 0, {(void*)&DragItemDrag}, {}},
    MethodRecord{"NextItem", &kBooleanType, {}, 0, {(void*)&DragItemNextItem}, {}},
    MethodRecord{"AddItem", nullptr, kRect, 4, {(void*)&DragItemAddItem}, {}},
};

// The received item's node of the current item, or null.
const ItemRect* DropRect(TessObject* item) {
  DragState* s = StateOf(item);
  if (!s || !s->received) return nullptr;
  for (const ItemRect& r : s->items)
    if (r.number == s->current.number) return &r;
  return nullptr;
}

}  // namespace

void InitDragItemClass() {
  if (g_dragItem) return;
  FrameworkClassDef def{};
  def.name = "DragItem";
  def.superclass = RootClass();
  def.instanceSize = sizeof(DragItemFields);
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_dragItem = BuildFrameworkClass(def);
}

void InitClipboardAndDrag() {
  InitClipboardClass();
  InitDragItemClass();
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;
namespace host = tess::platform;

TessObject* formNewDragItem(TessObject* window, int32_t left, int32_t top, int32_t width,
                            int32_t height) {
  return IsWindow(window) ? NewDragItem(window, left, top, width, height) : nullptr;
}

TessObject* controlNewDragItem(TessObject* control, int32_t left, int32_t top, int32_t width,
                               int32_t height) {
  return IsControl(control) ? NewDragItem(control, left, top, width, height) : nullptr;
}

void formAcceptTextDrop(TessObject* window) {
  AddKind(AcceptanceOfWindow(window), "TEXT");
}
void formAcceptPictureDrop(TessObject* window) {
  AddKind(AcceptanceOfWindow(window), "PICT");
}
void formAcceptMacDataDrop(TessObject* window, TessString* macType) {
  AddKind(AcceptanceOfWindow(window), std::string(View(macType)));
}
void formAcceptFileDrop(TessObject* window, TessString* fileType) {
  AddFileType(AcceptanceOfWindow(window), std::string(View(fileType)));
}
void controlAcceptTextDrop(TessObject* control) {
  AddKind(AcceptanceOfControl(control), "TEXT");
}
void controlAcceptPictureDrop(TessObject* control) {
  AddKind(AcceptanceOfControl(control), "PICT");
}
void controlAcceptMacDataDrop(TessObject* control, TessString* macType) {
  AddKind(AcceptanceOfControl(control), std::string(View(macType)));
}
void controlAcceptFileDrop(TessObject* control, TessString* fileType) {
  AddFileType(AcceptanceOfControl(control), std::string(View(fileType)));
}

TessString* dragItemTextGetter(TessObject* item, uint32_t) {
  DragState* s = StateOf(item);
  Flavor* f = s ? Find(s, s->current.number, kText) : nullptr;
  return f && !f->bytes.empty() ? MakeString(f->bytes) : nullptr;
}

void dragItemTextSetter(TessObject* item, uint32_t, TessString* text) {
  if (DragState* s = StateOf(item)) Make(s, kText)->bytes = std::string(View(text));
}

TessObject* dragItemPictureGetter(TessObject* item, uint32_t) {
  DragState* s = StateOf(item);
  Flavor* f = s ? Find(s, s->current.number, kPicture) : nullptr;
  if (!f) return nullptr;
  LockObject(f->picture);
  return f->picture;
}

void dragItemPictureSetter(TessObject* item, uint32_t, TessObject* picture) {
  DragState* s = StateOf(item);
  graphics::PictureData* p = graphics::PictureOf(picture);
  if (!s || !p || !p->bitmap) return;
  Flavor* f = Make(s, kPicture);
  LockObject(picture);
  UnlockObject(f->picture);
  f->picture = picture;
}

TessObject* dragItemFolderItemGetter(TessObject* item, uint32_t) {
  DragState* s = StateOf(item);
  Flavor* f = s ? Find(s, s->current.number, kFolder) : nullptr;
  if (!f) return nullptr;
  LockObject(f->folder);
  return f->folder;
}

void dragItemFolderItemSetter(TessObject* item, uint32_t, TessObject* folder) {
  DragState* s = StateOf(item);
  if (!s || (folder && !IsA(folder, FolderItemClass()))) return;
  Flavor* f = Make(s, kFolder);
  LockObject(folder);
  UnlockObject(f->folder);
  f->folder = folder;
}

int32_t DragItemTextAvailable(TessObject* item) {
  return HasFlavor(item, kText) ? 1 : 0;
}
int32_t DragItemPictureAvailable(TessObject* item) {
  return HasFlavor(item, kPicture) ? 1 : 0;
}
int32_t DragItemFolderItemAvailable(TessObject* item) {
  return HasFlavor(item, kFolder) ? 1 : 0;
}

int32_t DragItemMacDataAvailable(TessObject* item, TessString* macType) {
  DragState* s = StateOf(item);
  Flavor* f = s ? Find(s, s->current.number, kNamed) : nullptr;
  if (!f) return 0;
  std::string_view t = View(macType);
  if (t.empty()) return 1;
  return f->bytes.size() >= 4 && t.size() == 4 &&
                 SameType(std::string_view(f->bytes).substr(0, 4), t)
             ? 1
             : 0;
}

TessString* DragItemGetMacData(TessObject* item, TessString*) {
  DragState* s = StateOf(item);
  Flavor* f = s ? Find(s, s->current.number, kNamed) : nullptr;
  return f && f->bytes.size() > 4 ? MakeString(std::string_view(f->bytes).substr(4)) : nullptr;
}

void DragItemSetMacData(TessObject* item, TessString* macType, TessString* data) {
  DragState* s = StateOf(item);
  if (!s) return;
  // The type name is four bytes, padded with spaces as the platform's type
  // codes are, so the data always starts at byte 4.
  std::string type(View(macType).substr(0, 4));
  type.resize(4, ' ');
  Make(s, kNamed)->bytes = type + std::string(View(data));
}

void DragItemSetPrivateMacData(TessObject* item, TessString* macType, TessString* data) {
  DragItemSetMacData(item, macType, data);
}

void DragItemAddItem(TessObject* item, int32_t left, int32_t top, int32_t width, int32_t height) {
  DragState* s = StateOf(item);
  if (!s) return;
  s->items.push_back(s->current);
  s->current = RectFor(s->source, s->current.number + 1, left, top, width, height);
}

int32_t DragItemNextItem(TessObject* item) {
  DragState* s = StateOf(item);
  if (!s) return 0;
  for (const ItemRect& r : s->items) {
    if (r.number == s->current.number + 1) {
      // The current item goes back to the list unless a node holds it.
      bool listed = false;
      for (const ItemRect& o : s->items) listed |= o.number == s->current.number;
      if (!listed) s->items.push_back(s->current);
      s->current = r;
      return 1;
    }
  }
  return 0;
}

int32_t dragItemDropLeft(TessObject* item, uint32_t) {
  const ItemRect* r = DropRect(item);
  return r ? r->left : 0;
}
int32_t dragItemDropTop(TessObject* item, uint32_t) {
  const ItemRect* r = DropRect(item);
  return r ? r->top : 0;
}
int32_t dragItemDropWidth(TessObject* item, uint32_t) {
  const ItemRect* r = DropRect(item);
  return r ? r->right - r->left : 0;
}
int32_t dragItemDropHeight(TessObject* item, uint32_t) {
  const ItemRect* r = DropRect(item);
  return r ? r->bottom - r->top : 0;
}

void DragItemDrag(TessObject* item) {
  DragState* s = StateOf(item);
  if (!s || g_dragged || host::DragInProgress()) return;
  RegisterWindowTargets();
  g_dragged = item;
  LockObject(item);
  host::GetCursorPos(&g_dragStart);
  {
    DataObject data(item);
    DropSource source;
    host::DWORD effect = host::DROPEFFECT_NONE;
    host::DoDragDrop(&data, &source, host::DROPEFFECT_COPY, &effect);
  }
  g_dragged = nullptr;
  UnlockObject(item);
}
