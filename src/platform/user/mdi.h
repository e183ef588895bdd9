// The multiple-document interface: a frame window holding one "MDICLIENT"
// child, whose children are the documents. The client keeps which document
// is active and which is maximized; the frame and document procedures pass
// what they do not handle to DefFrameProc and DefMDIChildProc, which keep
// the client informed.
#pragma once

#include "platform/user/winuser.h"

namespace tess::platform {

// Messages to the client window.
enum : UINT {
  WM_MDICREATE = 0x0220,     // lParam: MDICREATESTRUCT*; answers the new document
  WM_MDIDESTROY = 0x0221,    // wParam: the document
  WM_MDIRESTORE = 0x0223,    // wParam: the document
  WM_MDINEXT = 0x0224,       // wParam: the document (0: the active one), lParam nonzero: previous
  WM_MDIMAXIMIZE = 0x0225,   // wParam: the document
  WM_MDITILE = 0x0226,       // wParam: MDITILE_VERTICAL or MDITILE_HORIZONTAL
  WM_MDICASCADE = 0x0227,    // wParam: not used
  WM_MDIGETACTIVE = 0x0229,  // lParam: BOOL* told whether it is maximized, or null
};
enum : WPARAM { MDITILE_VERTICAL = 0, MDITILE_HORIZONTAL = 1 };
enum : DWORD { WS_EX_MDICHILD = 0x00000040 };

inline constexpr char kMdiClientClass[] = "MDICLIENT";

// The lpCreateParams of the client's CREATESTRUCT.
struct CLIENTCREATESTRUCT {
  HMENU hWindowMenu;  // kept; the window menu does not list the documents
  UINT idFirstChild;  // the identifier of the first document; later ones count up
};

struct MDICREATESTRUCT {
  const char* szClass;
  const char* szTitle;
  HINSTANCE hOwner;
  int x, y, cx, cy;  // CW_USEDEFAULT: cascaded from the documents already open
  DWORD style;
  LPARAM lParam;  // the document's CREATESTRUCT lpCreateParams points at this structure
};

HWND CreateMDIWindow(const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND client, HINSTANCE instance, LPARAM param);
LRESULT DefFrameProc(HWND frame, HWND client, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefMDIChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Ctrl+F4 closes and Ctrl+F6 / Ctrl+Shift+F6 cycle the documents; TRUE when
// the message was one of them.
BOOL TranslateMDISysAccel(HWND client, MSG* msg);

}  // namespace tess::platform
