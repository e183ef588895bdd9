#include "platform/ole/dragdrop.h"

#include <map>
#include <mutex>

#include "platform/user/automation.h"
#include "platform/user/messages.h"
#include "platform/user/winuser.h"

namespace tess::platform {

namespace {

// Handles are never reused, so an entry for a window that is gone is only
// dead weight: it is dropped when met.
struct Registry {
  std::mutex mutex;
  std::map<HWND, IDropTarget*> targets;
};

Registry& Targets() {
  static Registry registry;
  return registry;
}

thread_local bool t_dragging = false;

IDropTarget* TargetOf(HWND hwnd) {
  Registry& r = Targets();
  std::lock_guard lock(r.mutex);
  auto it = r.targets.find(hwnd);
  if (it == r.targets.end()) return nullptr;
  if (!IsWindow(hwnd)) {
    r.targets.erase(it);
    return nullptr;
  }
  return it->second;
}

DWORD ModifierKeys() {
  DWORD keys = 0;
  if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
  return keys;
}

DWORD ButtonKeys() {
  DWORD keys = 0;
  if (GetKeyState(VK_LBUTTON) < 0) keys |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) keys |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) < 0) keys |= MK_MBUTTON;
  return keys;
}

// The drag as it goes: the target under the pointer and what it would do.
struct Drag {
  IDataObject* data;
  DWORD okEffects;
  HWND over = nullptr;
  IDropTarget* target = nullptr;
  DWORD effect = DROPEFFECT_NONE;
  POINT point{};

  void Follow(POINT at, DWORD keys) {
    point = at;
    HWND hwnd = nullptr;
    IDropTarget* now = DropTargetAt(at, &hwnd);
    DWORD e = okEffects;
    if (now != target || hwnd != over) {
      if (target) target->DragLeave();
      target = now;
      over = hwnd;
      if (target && target->DragEnter(data, keys, at, &e) != S_OK) e = DROPEFFECT_NONE;
    } else if (target && target->DragOver(keys, at, &e) != S_OK) {
      e = DROPEFFECT_NONE;
    }
    effect = target ? e & okEffects : DROPEFFECT_NONE;
  }

  void Leave() {
    if (target) target->DragLeave();
    target = nullptr;
    effect = DROPEFFECT_NONE;
  }
};

}  // namespace

void ReleaseStgMedium(STGMEDIUM* medium) {
  if (!medium) return;
  if (medium->tymed == TYMED_HGLOBAL && medium->hGlobal) GlobalFree(medium->hGlobal);
  medium->hGlobal = nullptr;
  medium->tymed = 0;
}

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target) {
  if (!target) return E_INVALIDARG;
  if (!IsWindow(hwnd)) return E_INVALIDARG;
  Registry& r = Targets();
  std::lock_guard lock(r.mutex);
  if (!r.targets.emplace(hwnd, target).second) return DRAGDROP_E_ALREADYREGISTERED;
  return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
  Registry& r = Targets();
  std::lock_guard lock(r.mutex);
  return r.targets.erase(hwnd) ? S_OK : DRAGDROP_E_NOTREGISTERED;
}

IDropTarget* DropTargetAt(POINT point, HWND* registered) {
  for (HWND h = WindowFromPoint(point); h; h = GetParent(h)) {
    if (IDropTarget* t = TargetOf(h)) {
      if (registered) *registered = h;
      return t;
    }
  }
  if (registered) *registered = nullptr;
  return nullptr;
}

bool DragInProgress() {
  return t_dragging;
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect) {
  if (!data || !source || !effect || t_dragging) return E_INVALIDARG;
  *effect = DROPEFFECT_NONE;
  t_dragging = true;
  Drag drag{data, okEffects};
  POINT start{};
  GetCursorPos(&start);
  DWORD buttons = ButtonKeys();
  drag.Follow(start, buttons | ModifierKeys());
  bool escape = false;
  HRESULT result = DRAGDROP_S_CANCEL;
  for (;;) {
    HRESULT asked = source->QueryContinueDrag(escape, buttons | ModifierKeys());
    if (asked == DRAGDROP_S_DROP) {
      if (drag.target && drag.effect != DROPEFFECT_NONE) {
        DWORD e = okEffects;
        if (drag.target->Drop(data, buttons | ModifierKeys(), drag.point, &e) == S_OK) {
          *effect = e & okEffects;
          result = DRAGDROP_S_DROP;
        }
      } else {
        drag.Leave();
      }
      break;
    }
    if (asked == DRAGDROP_S_CANCEL) {
      drag.Leave();
      break;
    }
    // The drag owns the pointer and Esc while it runs; everything else
    // (painting, timers) goes on as usual.
    MSG m;
    if (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(int(m.wParam));  // the application's loop ends, the drag with it
        drag.Leave();
        break;
      }
      if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST && m.message != WM_MOUSEWHEEL) {
        buttons = DWORD(m.wParam) & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
        // A release where the pointer already is only ends the drag.
        if (m.message == WM_MOUSEMOVE || m.pt.x != drag.point.x || m.pt.y != drag.point.y)
          drag.Follow(m.pt, DWORD(m.wParam));
        continue;
      }
      if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
        escape = true;
        continue;
      }
      if (m.message == WM_KEYDOWN || m.message == WM_KEYUP) continue;  // modifiers are read live
      TranslateMessage(&m);
      DispatchMessage(&m);
      continue;
    }
    // A script goes on from here; its pointer and keys are left in the
    // queue for this loop rather than dispatched by the script's wait.
    auto over = [&] {
      MSG p;
      return PeekMessage(&p, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE) ||
             PeekMessage(&p, nullptr, WM_KEYDOWN, WM_KEYUP, PM_NOREMOVE);
    };
    if (automation::ContinueScript(over)) continue;
    // A script that ends with the button still held cancels the drag
    // rather than leave a headless run waiting for a hand.
    if (automation::ScriptRunning()) {
      drag.Leave();
      break;
    }
    WaitMessage();
  }
  t_dragging = false;
  return result;
}

}  // namespace tess::platform
