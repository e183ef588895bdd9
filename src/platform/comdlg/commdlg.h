// The common dialogs. The file dialogs: open, save as, and a folder chooser, as one modal
// window drawn in the classic look (a folder path with an Up button, a list
// of folders and files, the name field, the file-type filter and two
// buttons), used with the keyboard or the mouse.
//
// Keyboard: Tab and Shift+Tab move between the name field, the list, the
// type box and the buttons; in the list the arrows, Home, End, PgUp and PgDn
// move, Enter opens a folder or chooses a file, Backspace goes up a folder;
// Up and Down in the type box change the filter; Enter anywhere else presses
// the action button and Esc cancels. A name typed into the field may be a
// folder (the dialog goes there), a pattern with * or ? (it becomes the
// filter), or a file, relative to the folder shown or a full path.
//
// Headless, the dialog is a window of the virtual desktop like any other,
// so a script answers it as a user would: `type C:\Docs\a.txt`, `key enter`,
// or `key esc`. With no display, no script being run and no hook installed,
// nothing could ever answer it: it is cancelled at once and says so on
// standard error.
#pragma once

#include <string>

#include "platform/user/winuser.h"
#include "platform/winspool/winspool.h"

namespace tess::platform {

inline constexpr DWORD MAX_PATH = 260;

enum : DWORD {
  OFN_READONLY = 0x00000001,
  OFN_OVERWRITEPROMPT = 0x00000002,
  OFN_HIDEREADONLY = 0x00000004,
  OFN_ENABLEHOOK = 0x00000020,
  OFN_NOCHANGEDIR = 0x00000008,
  OFN_PATHMUSTEXIST = 0x00000800,
  OFN_FILEMUSTEXIST = 0x00001000,
  OFN_CREATEPROMPT = 0x00002000,
};

// CommDlgExtendedError: 0 after a cancel, else why the dialog failed.
enum : DWORD {
  CDERR_INITIALIZATION = 0x0002,
  CDERR_STRUCTSIZE = 0x0001,
  FNERR_BUFFERTOOSMALL = 0x3003,
  FNERR_INVALIDFILENAME = 0x3002,
};

// Called once with WM_INITDIALOG when the dialog is shown (lParam: the
// OPENFILENAMEA), and with WM_DESTROY as it goes away.
typedef UINT (*LPOFNHOOKPROC)(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

struct OPENFILENAMEA {
  DWORD lStructSize = sizeof(OPENFILENAMEA);
  HWND hwndOwner = nullptr;
  // Pairs of display text and patterns ("Text (*.txt)\0*.txt;*.text\0"),
  // ended by an empty text.
  const char* lpstrFilter = nullptr;
  DWORD nFilterIndex = 1;          // 1-based; updated to the filter in use
  char* lpstrFile = nullptr;       // in: the name shown first; out: the full path
  DWORD nMaxFile = 0;              // its size, terminator included
  char* lpstrFileTitle = nullptr;  // out: the name alone, when given
  DWORD nMaxFileTitle = 0;
  const char* lpstrInitialDir = nullptr;
  const char* lpstrTitle = nullptr;  // null: "Open" or "Save As"
  DWORD Flags = 0;
  WORD nFileOffset = 0;               // out: where the name starts in lpstrFile
  WORD nFileExtension = 0;            // out: where its extension starts (0: none)
  const char* lpstrDefExt = nullptr;  // added to a name typed without one
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;  // with OFN_ENABLEHOOK
  // As the later dialogs' SetOkButtonLabel and placement: null and -1 for
  // the usual "Open"/"Save"/"Cancel" and a dialog centred on its owner.
  const char* lpstrOkLabel = nullptr;
  const char* lpstrCancelLabel = nullptr;
  int x = -1, y = -1;
};

BOOL GetOpenFileName(OPENFILENAMEA* ofn);
BOOL GetSaveFileName(OPENFILENAMEA* ofn);
DWORD CommDlgExtendedError();

// The folder chooser. The result is an item list that SHGetPathFromIDList
// turns into a path and CoTaskMemFree releases; null when cancelled.
struct ITEMIDLIST;
enum : UINT { BIF_RETURNONLYFSDIRS = 0x0001, BIF_EDITBOX = 0x0010 };
struct BROWSEINFOA {
  HWND hwndOwner = nullptr;
  const char* pszInitialDir = nullptr;  // where to start (the shell's root is not modelled)
  char* pszDisplayName = nullptr;       // out, MAX_PATH bytes: the chosen folder's name
  const char* lpszTitle = nullptr;      // the prompt shown above the list
  UINT ulFlags = 0;
  const char* lpszCaption = nullptr;  // the window title; null: "Browse for Folder"
  const char* lpszOkLabel = nullptr;
  const char* lpszCancelLabel = nullptr;
  int x = -1, y = -1;
  LPOFNHOOKPROC lpfnHook = nullptr;  // as OPENFILENAMEA's
};
ITEMIDLIST* SHBrowseForFolder(BROWSEINFOA* info);
BOOL SHGetPathFromIDList(const ITEMIDLIST* list, char* path);  // path: MAX_PATH bytes
void CoTaskMemFree(void* memory);

// The colour dialog, in the classic look: the 48 basic colours in a grid,
// the chosen colour's sample, OK and Cancel. A click picks a colour, a
// double click picks it and answers OK; arrows move the pick, Enter
// answers OK, Escape and the close box Cancel. Headless, a running script
// answers it ("color RRGGBB" or "color cancel"); with neither a script nor
// a presented desktop there is nobody to ask and the answer is Cancel.
enum : DWORD { CC_RGBINIT = 0x1 };
struct CHOOSECOLOR {
  DWORD lStructSize = sizeof(CHOOSECOLOR);
  HWND hwndOwner = nullptr;
  COLORREF rgbResult = 0;            // in: the first pick with CC_RGBINIT; out: the answer
  COLORREF* lpCustColors = nullptr;  // 16 custom colours, kept as given
  DWORD Flags = 0;
  const char* title = nullptr;  // the caption; "Color" when null
};
// TRUE when answered with OK (rgbResult holds the colour), FALSE otherwise.
BOOL ChooseColor(CHOOSECOLOR* request);
// The print and page-setup dialogs, drawn in the same classic look and
// answered the same way: Tab and Shift+Tab move between the parts, typing
// replaces a field's text, Up and Down (or a click) change a list box, Space
// sets a radio button or check box, Enter presses OK and Esc cancels.
enum : DWORD {
  PD_ALLPAGES = 0x0,
  PD_PAGENUMS = 0x2,
  PD_COLLATE = 0x10,
  PD_RETURNDC = 0x100,
  PD_ENABLEHOOK = 0x1000,
};

struct PRINTDLGA {
  DWORD lStructSize = sizeof(PRINTDLGA);
  HWND hwndOwner = nullptr;
  // In: the settings shown (null: the defaults); out: those chosen (the
  // printer, copies, collation and page range included).
  DEVMODE* devMode = nullptr;
  HDC hDC = nullptr;  // out, with PD_RETURNDC: a context for the chosen printer
  DWORD Flags = 0;
  WORD nFromPage = 0, nToPage = 0;  // in and out, with PD_PAGENUMS
  WORD nMinPage = 1, nMaxPage = 9999;
  WORD nCopies = 1;
  LPOFNHOOKPROC lpfnPrintHook = nullptr;  // with PD_ENABLEHOOK
  int x = -1, y = -1;
};
BOOL PrintDlg(PRINTDLGA* pd);

enum : DWORD {
  PSD_INTHOUSANDTHSOFINCHES = 0x4,
  PSD_MARGINS = 0x2,
  PSD_ENABLEPAGESETUPHOOK = 0x2000
};

struct PAGESETUPDLGA {
  DWORD lStructSize = sizeof(PAGESETUPDLGA);
  HWND hwndOwner = nullptr;
  DEVMODE* devMode = nullptr;  // in and out: paper, orientation and margins
  DWORD Flags = PSD_INTHOUSANDTHSOFINCHES;
  POINT ptPaperSize{};  // out: the oriented paper, thousandths of an inch
  RECT rtMargin{};      // out: the margins, thousandths of an inch
  LPOFNHOOKPROC lpfnPageSetupHook = nullptr;
  int x = -1, y = -1;
};
BOOL PageSetupDlg(PAGESETUPDLGA* psd);

}  // namespace tess::platform
