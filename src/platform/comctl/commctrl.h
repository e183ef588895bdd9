// The standard controls: "BUTTON" and "STATIC" as the window system has
// them, with their styles, messages and notifications, and the keyboard
// navigation of a window holding them (Tab, arrows in a radio group, Enter
// for the default button, Esc for the cancel button). Every control draws
// through the classic-look painter, so a push button in a message box and
// one in an application window look the same.
#pragma once

#include "platform/user/winuser.h"

namespace tess::platform {

// Button styles (the low four bits are the kind).
inline constexpr DWORD BS_PUSHBUTTON = 0x0;
inline constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
inline constexpr DWORD BS_CHECKBOX = 0x2;
inline constexpr DWORD BS_AUTOCHECKBOX = 0x3;
inline constexpr DWORD BS_RADIOBUTTON = 0x4;
inline constexpr DWORD BS_3STATE = 0x5;
inline constexpr DWORD BS_AUTO3STATE = 0x6;
inline constexpr DWORD BS_GROUPBOX = 0x7;
inline constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
inline constexpr DWORD BS_TYPEMASK = 0xF;
inline constexpr DWORD BS_LEFTTEXT = 0x20;
inline constexpr DWORD BS_NOTIFY = 0x4000;
// Button messages and states.
enum : UINT {
  BM_GETCHECK = 0x00F0,
  BM_SETCHECK = 0x00F1,
  BM_GETSTATE = 0x00F2,
  BM_SETSTATE = 0x00F3,
  BM_SETSTYLE = 0x00F4,
  BM_CLICK = 0x00F5,
};
enum : WPARAM {
  BST_UNCHECKED = 0,
  BST_CHECKED = 1,
  BST_INDETERMINATE = 2,
  BST_PUSHED = 0x4,  // BM_GETSTATE
  BST_FOCUS = 0x8,
};
// Notifications, in the high word of WM_COMMAND's wParam.
enum : UINT { BN_CLICKED = 0, BN_SETFOCUS = 6, BN_KILLFOCUS = 7 };

// Static styles.
inline constexpr DWORD SS_LEFT = 0x0;
inline constexpr DWORD SS_CENTER = 0x1;
inline constexpr DWORD SS_RIGHT = 0x2;
inline constexpr DWORD SS_TYPEMASK = 0x1F;
inline constexpr DWORD SS_NOPREFIX = 0x80;
inline constexpr DWORD SS_NOTIFY = 0x100;
inline constexpr DWORD SS_LEFTNOWORDWRAP = 0xC;
enum : UINT { STN_CLICKED = 0 };

// "COMBOBOX": only the drop-down list kind, whose rows are chosen from a
// list that drops below the field. A row whose text is "-" is a separator:
// drawn as a line, never chosen.
inline constexpr DWORD CBS_DROPDOWNLIST = 0x3;
enum : UINT {
  CB_ADDSTRING = 0x0143,
  CB_DELETESTRING = 0x0144,
  CB_GETCOUNT = 0x0146,
  CB_GETCURSEL = 0x0147,
  CB_GETLBTEXT = 0x0148,
  CB_GETLBTEXTLEN = 0x0149,
  CB_INSERTSTRING = 0x014A,
  CB_RESETCONTENT = 0x014B,
  CB_SETCURSEL = 0x014E,
  CB_SHOWDROPDOWN = 0x014F,
  CB_GETITEMDATA = 0x0150,
  CB_SETITEMDATA = 0x0151,
  CB_GETDROPPEDSTATE = 0x0157,
};
enum : LRESULT { CB_ERR = -1, CB_ERRSPACE = -2 };
enum : UINT {
  CBN_SELCHANGE = 1,
  CBN_SETFOCUS = 3,
  CBN_KILLFOCUS = 4,
  CBN_DROPDOWN = 7,
  CBN_CLOSEUP = 8,
};
// The most rows a combo box holds; adding more fails with CB_ERRSPACE.
inline constexpr int kComboMaxRows = 1 << 20;

// "SCROLLBAR": a bar that does not move itself. It tells its parent
// WM_HSCROLL or WM_VSCROLL with a code in the low word (the thumb's
// position in the high word for SB_THUMBTRACK and SB_THUMBPOSITION) and
// itself in lParam; the parent sets the position. Arrows and page clicks
// repeat while held.
inline constexpr DWORD SBS_HORZ = 0x0;
inline constexpr DWORD SBS_VERT = 0x1;
enum : UINT {
  SBM_SETPOS = 0x00E0,
  SBM_GETPOS = 0x00E1,
  SBM_SETRANGE = 0x00E2,
  SBM_GETRANGE = 0x00E3,
  SBM_GETSCROLLINFO = 0x00EA,
};
// SBM_GETSCROLLINFO: nTrackPos is the thumb's position while it is dragged
// (the message's high word holds only 16 bits of it).
inline constexpr UINT SIF_RANGE = 0x1, SIF_POS = 0x4, SIF_TRACKPOS = 0x10;
struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin, nMax;
  UINT nPage;
  int nPos, nTrackPos;
};
enum : UINT {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};

// "msctls_trackbar32": a slider that moves itself and then tells its
// parent WM_HSCROLL (WM_VSCROLL with TBS_VERT) with the scroll bar's codes
// (TB_THUMBTRACK while dragged, TB_ENDTRACK when a move ends).
inline constexpr DWORD TBS_HORZ = 0x0;
inline constexpr DWORD TBS_VERT = 0x2;
enum : UINT {
  TBM_GETPOS = WM_USER,
  TBM_GETRANGEMIN = WM_USER + 1,
  TBM_GETRANGEMAX = WM_USER + 2,
  TBM_SETPOS = WM_USER + 5,
  TBM_SETRANGEMIN = WM_USER + 7,
  TBM_SETRANGEMAX = WM_USER + 8,
  TBM_SETPAGESIZE = WM_USER + 21,
  TBM_GETPAGESIZE = WM_USER + 22,
  TBM_SETLINESIZE = WM_USER + 23,
  TBM_GETLINESIZE = WM_USER + 24,
};
enum : UINT { TB_THUMBPOSITION = 4, TB_THUMBTRACK = 5, TB_ENDTRACK = 8 };

// "msctls_progress32": a bar of blocks filled in proportion to its
// position within its range.
enum : UINT {
  PBM_SETPOS = WM_USER + 2,
  PBM_SETRANGE32 = WM_USER + 6,
  PBM_GETRANGE = WM_USER + 7,
  PBM_GETPOS = WM_USER + 8,
};

// "SysTabControl32": a row of tabs above a body. A click on a tab, or
// Left and Right while it has the focus, selects another: the parent is
// asked with WM_NOTIFY TCN_SELCHANGING (answering TRUE keeps the current
// tab), then told TCN_SELCHANGE. TCM_SETCURSEL tells nobody. The body is
// only framed: the controls of a page lie over it as siblings.
struct NMHDR {
  HWND hwndFrom;
  uintptr_t idFrom;
  UINT code;
};
inline constexpr UINT TCIF_TEXT = 0x1;
struct TCITEM {
  UINT mask;
  DWORD state, stateMask;
  char* pszText;
  int cchTextMax;
  int iImage;
  LPARAM lParam;
};
enum : UINT {
  TCM_GETITEMCOUNT = 0x1304,
  TCM_GETITEM = 0x1305,
  TCM_SETITEM = 0x1306,
  TCM_INSERTITEM = 0x1307,
  TCM_DELETEITEM = 0x1308,
  TCM_DELETEALLITEMS = 0x1309,
  TCM_GETCURSEL = 0x130B,
  TCM_SETCURSEL = 0x130C,
  TCM_ADJUSTRECT = 0x1328,
};
inline constexpr UINT TCN_SELCHANGE = UINT(-551);
inline constexpr UINT TCN_SELCHANGING = UINT(-552);

// WM_GETDLGCODE answers.
enum : LRESULT {
  DLGC_WANTARROWS = 0x1,
  DLGC_WANTTAB = 0x2,
  DLGC_WANTALLKEYS = 0x4,
  DLGC_HASSETSEL = 0x8,
  DLGC_DEFPUSHBUTTON = 0x10,
  DLGC_UNDEFPUSHBUTTON = 0x20,
  DLGC_RADIOBUTTON = 0x40,
  DLGC_WANTCHARS = 0x80,
  DLGC_STATIC = 0x100,
  DLGC_BUTTON = 0x2000,
};

// Registers the control classes; later calls do nothing. True when they
// are usable.
BOOL InitCommonControls();

// The keyboard navigation of a window holding controls, offered each
// message before it is dispatched: Tab and Shift+Tab move the focus among
// the visible, enabled WS_TABSTOP children in creation order; arrows move
// within a radio group (from a WS_GROUP child to the next one); Enter
// clicks the enabled default push button unless the focused control wants
// all keys; Esc clicks the enabled child whose identifier is IDCANCEL;
// Alt with the letter marked by '&' in a button's text clicks that button.
// True when the message was used.
BOOL IsDialogMessage(HWND dialog, MSG* msg);

// The letter or digit marked by the first lone '&' of a control's text, in
// upper case; 0 when it has none.
char MnemonicOf(HWND control);

// The next (or previous) child of `dialog` that takes the focus by Tab.
HWND GetNextDlgTabItem(HWND dialog, HWND from, BOOL previous);
HWND GetDlgItem(HWND dialog, int id);

}  // namespace tess::platform
