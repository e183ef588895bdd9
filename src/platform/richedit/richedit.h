// The rich-edit control, window class "RichEdit", as the platform's library
// of that name offers it (version 1): messages, notifications, styles and
// the structures they carry, with the platform's values.
//
// Text travels as UTF-8 (the host's text encoding); positions count
// characters. A paragraph ends with one "\r": WM_GETTEXT gives "\r" where
// the text has a line end, and WM_SETTEXT, EM_REPLACESEL and pasting take
// "\r\n", "\n" or "\r". Plain text streamed out ends its lines with "\r\n".
#pragma once

#include "platform/user/winuser.h"

// In a namespace of their own: scroll codes and clipboard messages are the
// platform's, which other controls of the host layer may declare as well.
namespace tess::platform::richedit {

inline constexpr char kRichEditClass[] = "RichEdit";
inline constexpr char kRichEditLibrary[] = "RICHED32.DLL";

// Registers the window class (what loading the library does); later calls
// do nothing.
void LoadRichEditLibrary();

// Styles (ES_), read by the control.
enum : DWORD {
  ES_LEFT = 0x0000,
  ES_CENTER = 0x0001,
  ES_RIGHT = 0x0002,
  ES_MULTILINE = 0x0004,
  ES_PASSWORD = 0x0020,
  ES_AUTOVSCROLL = 0x0040,  // accepted; the control always scrolls to the caret
  ES_AUTOHSCROLL = 0x0080,  // accepted; likewise
  ES_NOHIDESEL = 0x0100,
  ES_READONLY = 0x0800,
  ES_WANTRETURN = 0x1000,  // accepted; a multi-line control always takes Return
};

// Edit messages.
enum : UINT {
  EM_GETSEL = 0x00B0,
  EM_SETSEL = 0x00B1,
  EM_GETRECT = 0x00B2,
  EM_SCROLL = 0x00B5,
  EM_LINESCROLL = 0x00B6,
  EM_SCROLLCARET = 0x00B7,
  EM_GETMODIFY = 0x00B8,
  EM_SETMODIFY = 0x00B9,
  EM_GETLINECOUNT = 0x00BA,
  EM_LINEINDEX = 0x00BB,
  EM_LINELENGTH = 0x00C1,
  EM_REPLACESEL = 0x00C2,
  EM_GETLINE = 0x00C4,
  EM_LIMITTEXT = 0x00C5,
  EM_CANUNDO = 0x00C6,
  EM_UNDO = 0x00C7,
  EM_LINEFROMCHAR = 0x00C9,
  EM_SETPASSWORDCHAR = 0x00CC,
  EM_EMPTYUNDOBUFFER = 0x00CD,
  EM_GETFIRSTVISIBLELINE = 0x00CE,
  EM_SETREADONLY = 0x00CF,
  EM_GETPASSWORDCHAR = 0x00D2,
  EM_GETLIMITTEXT = 0x00D5,
  EM_POSFROMCHAR = 0x00D6,
  EM_CHARFROMPOS = 0x00D7,
  EM_CANPASTE = WM_USER + 50,
  EM_EXGETSEL = WM_USER + 52,
  EM_EXLIMITTEXT = WM_USER + 53,
  EM_EXLINEFROMCHAR = WM_USER + 54,
  EM_EXSETSEL = WM_USER + 55,
  EM_GETCHARFORMAT = WM_USER + 58,
  EM_GETEVENTMASK = WM_USER + 59,
  EM_GETPARAFORMAT = WM_USER + 61,
  EM_GETSELTEXT = WM_USER + 62,
  EM_HIDESELECTION = WM_USER + 63,
  EM_SETBKGNDCOLOR = WM_USER + 67,
  EM_SETCHARFORMAT = WM_USER + 68,
  EM_SETEVENTMASK = WM_USER + 69,
  EM_SETPARAFORMAT = WM_USER + 71,
  EM_STREAMIN = WM_USER + 73,
  EM_STREAMOUT = WM_USER + 74,
  EM_GETTEXTRANGE = WM_USER + 75,
  EM_FORMATRANGE = WM_USER + 57,
  // Of later versions of the library, for the horizontal position.
  EM_GETSCROLLPOS = WM_USER + 221,
  EM_SETSCROLLPOS = WM_USER + 222,
};
enum : UINT {
  WM_CUT = 0x0300,
  WM_COPY = 0x0301,
  WM_PASTE = 0x0302,
  WM_CLEAR = 0x0303,
  WM_UNDO = 0x0304
};

// Scroll codes of WM_VSCROLL, WM_HSCROLL and EM_SCROLL.
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

// Notifications: through WM_COMMAND (HIWORD of wParam) or, for those with
// a structure, WM_NOTIFY.
enum : UINT {
  EN_SETFOCUS = 0x0100,
  EN_KILLFOCUS = 0x0200,
  EN_CHANGE = 0x0300,
  EN_UPDATE = 0x0400,
  EN_MAXTEXT = 0x0501,
  EN_HSCROLL = 0x0601,
  EN_VSCROLL = 0x0602,
  EN_MSGFILTER = 0x0700,
  EN_SELCHANGE = 0x0702,
};
// Which of them EM_SETEVENTMASK asks for (focus and EN_MAXTEXT are always sent).
enum : DWORD {
  ENM_NONE = 0,
  ENM_CHANGE = 0x00000001,
  ENM_UPDATE = 0x00000002,
  ENM_SCROLL = 0x00000004,
  ENM_KEYEVENTS = 0x00010000,
  ENM_MOUSEEVENTS = 0x00020000,
  ENM_SELCHANGE = 0x00080000,
};

struct NMHDR {
  HWND hwndFrom;
  UINT idFrom;
  UINT code;
};
struct CHARRANGE {
  LONG cpMin, cpMax;  // cpMax -1: to the end
};
// EN_MSGFILTER: a key or mouse message about to be handled; a nonzero
// answer from the parent drops it. The parent may change msg/wParam/lParam.
struct MSGFILTER {
  NMHDR nmhdr;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};
enum : WORD { SEL_EMPTY = 0, SEL_TEXT = 1, SEL_MULTICHAR = 4 };
struct SELCHANGE {
  NMHDR nmhdr;
  CHARRANGE chrg;
  WORD seltyp;
};
// EM_FORMATRANGE: lays the range out in rc's width and, when wParam is
// nonzero, draws the lines that fit rc's height into hdc (unclipped by the
// control, in the control's colours but without selection or mask). Answers
// the position after the last line that fits, so the next call continues
// there. At least one line is taken even when it does not fit, so a caller
// that loops until the end always gets there. Rectangles are in twips (1440
// to the inch) of a 96 dpi device, as the platform's are.
struct FORMATRANGE {
  HDC hdc;
  HDC hdcTarget;  // accepted; the text is measured as the control measures it
  RECT rc;
  RECT rcPage;
  CHARRANGE chrg;  // cpMax -1: to the end
};

struct TEXTRANGE {
  CHARRANGE chrg;
  char* lpstrText;  // room for the text and its terminator
};

// Character formats.
enum : DWORD {
  CFM_BOLD = 0x00000001,
  CFM_ITALIC = 0x00000002,
  CFM_UNDERLINE = 0x00000004,
  CFM_STRIKEOUT = 0x00000008,
  CFM_PROTECTED = 0x00000010,
  CFM_CHARSET = 0x08000000,
  CFM_OFFSET = 0x10000000,
  CFM_FACE = 0x20000000,
  CFM_COLOR = 0x40000000,
  CFM_SIZE = 0x80000000,
};
enum : DWORD {
  CFE_BOLD = 0x0001,
  CFE_ITALIC = 0x0002,
  CFE_UNDERLINE = 0x0004,
  CFE_AUTOCOLOR = 0x40000000,
};
// EM_SETCHARFORMAT's wParam: the default format, the selection, all text.
enum : WPARAM { SCF_DEFAULT = 0, SCF_SELECTION = 1, SCF_WORD = 2, SCF_ALL = 4 };
struct CHARFORMAT {
  UINT cbSize;
  DWORD dwMask;
  DWORD dwEffects;
  LONG yHeight;  // twips
  LONG yOffset;
  COLORREF crTextColor;
  BYTE bCharSet;
  BYTE bPitchAndFamily;
  char szFaceName[32];
};

// Paragraph formats.
enum : DWORD { PFM_ALIGNMENT = 0x00000008 };
enum : WORD { PFA_LEFT = 1, PFA_RIGHT = 2, PFA_CENTER = 3 };
struct PARAFORMAT {
  UINT cbSize;
  DWORD dwMask;
  WORD wNumbering;
  WORD wReserved;
  LONG dxStartIndent, dxRightIndent, dxOffset;
  WORD wAlignment;
  short cTabCount;
  LONG rgxTabs[32];
};

// Streaming. The callback fills or takes `cb` bytes and says how many in
// *pcb; a nonzero result stops the stream (kept in dwError). In: a read of
// 0 bytes ends the data.
using EDITSTREAMCALLBACK = DWORD (*)(uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb);
struct EDITSTREAM {
  uintptr_t dwCookie;
  DWORD dwError;
  EDITSTREAMCALLBACK pfnCallback;
};
enum : WPARAM { SF_TEXT = 0x0001, SF_RTF = 0x0002, SFF_SELECTION = 0x8000 };

// WM_GETDLGCODE answers.
enum : LRESULT {
  DLGC_WANTARROWS = 0x1,
  DLGC_WANTTAB = 0x2,
  DLGC_WANTALLKEYS = 0x4,
  DLGC_HASSETSEL = 0x8,
  DLGC_WANTCHARS = 0x80
};

}  // namespace tess::platform::richedit
