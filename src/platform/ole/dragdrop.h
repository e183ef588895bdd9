// Drag and drop between windows of the process, shaped like the platform's
// OLE drag and drop: a window registers a drop target, and DoDragDrop runs
// a modal loop that follows the pointer, tells the target under it that a
// drag entered, moved, left or dropped, and asks the drop source after
// every input whether to go on. The loop is driven by real input (the X11
// presenter feeds the same queue) and by automation scripts, which go on
// from inside it as they do from a tracked menu.
//
// Interfaces are plain abstract classes; their objects stay their owners'
// (nothing here counts references). A target registered for a window is
// forgotten when the window is destroyed.
#pragma once

#include <vector>

#include "platform/user/clipboard.h"
#include "platform/windef.h"

namespace tess::platform {

using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0, S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u), E_INVALIDARG = HRESULT(0x80070057u),
                         DV_E_FORMATETC = HRESULT(0x80040064u);
inline constexpr HRESULT DRAGDROP_S_DROP = 0x00040100, DRAGDROP_S_CANCEL = 0x00040101,
                         DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
inline constexpr HRESULT DRAGDROP_E_NOTREGISTERED = HRESULT(0x80040100u),
                         DRAGDROP_E_ALREADYREGISTERED = HRESULT(0x80040101u);

enum : DWORD { DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2, DROPEFFECT_LINK = 4 };
enum : DWORD { DVASPECT_CONTENT = 1, TYMED_HGLOBAL = 1 };

struct FORMATETC {
  UINT cfFormat = 0;
  DWORD dwAspect = DVASPECT_CONTENT;
  LONG lindex = -1;
  DWORD tymed = TYMED_HGLOBAL;
};
struct STGMEDIUM {
  DWORD tymed = 0;
  HGLOBAL hGlobal = nullptr;  // the receiver's to free (ReleaseStgMedium)
};
void ReleaseStgMedium(STGMEDIUM* medium);

class IDataObject {
 public:
  virtual ~IDataObject() = default;
  virtual HRESULT GetData(const FORMATETC& format, STGMEDIUM* medium) = 0;
  virtual HRESULT QueryGetData(const FORMATETC& format) = 0;
  // The formats offered, as EnumFormatEtc walks them.
  virtual std::vector<FORMATETC> EnumFormatEtc() = 0;
};

class IDropSource {
 public:
  virtual ~IDropSource() = default;
  // DRAGDROP_S_DROP, DRAGDROP_S_CANCEL or S_OK (go on). `keyState` holds
  // the MK_ flags of the buttons and modifiers held now.
  virtual HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
};

class IDropTarget {
 public:
  virtual ~IDropTarget() = default;
  // `point` is in screen coordinates; *effect comes in as the effects the
  // source allows and goes out as what the target would do.
  virtual HRESULT DragEnter(IDataObject* data, DWORD keyState, POINT point, DWORD* effect) = 0;
  virtual HRESULT DragOver(DWORD keyState, POINT point, DWORD* effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(IDataObject* data, DWORD keyState, POINT point, DWORD* effect) = 0;
};

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* target);
HRESULT RevokeDragDrop(HWND hwnd);
// The target of the window at `point` or its nearest ancestor that has one.
IDropTarget* DropTargetAt(POINT point, HWND* registered = nullptr);

// Runs the drag until the source says drop or cancel: DRAGDROP_S_DROP with
// *effect what the target did, or DRAGDROP_S_CANCEL with DROPEFFECT_NONE.
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect);
bool DragInProgress();

}  // namespace tess::platform
