// The basic types shared by the window system (user/) and drawing (gdi/):
// handles, integer widths, rectangles, points and colours, shaped like the
// platform the runtime was written for. The build is 32-bit, so a LONG, a
// WPARAM and a pointer all have 32 bits, and window words can hold pointers.
// Colours are 0x00RRGGBB throughout (the language's Color), not the
// platform's blue-first order; RGB() builds them that way.
#pragma once

#include <cstdint>

namespace tess::platform {

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = unsigned;
using BOOL = int;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = uint32_t;
using ATOM = uint16_t;
constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Only the threads of kernel/ also build natively (for ThreadSanitizer).
#if !defined(TESSERA_NATIVE_KERNEL)
static_assert(sizeof(void*) == 4, "the host layer is built 32-bit");
#endif

struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HICON__;
using HICON = HICON__*;
using HCURSOR = HICON;

// Drawing objects share one handle space; the kind is checked on use.
struct GdiObject;
using HGDIOBJ = GdiObject*;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HRGN = HGDIOBJ;
struct DeviceContext;
using HDC = DeviceContext*;

struct POINT {
  LONG x = 0, y = 0;
  friend bool operator==(const POINT&, const POINT&) = default;
};
struct SIZE {
  LONG cx = 0, cy = 0;
  friend bool operator==(const SIZE&, const SIZE&) = default;
};
// Right and bottom are exclusive.
struct RECT {
  LONG left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const RECT&, const RECT&) = default;
};

constexpr COLORREF RGB(int r, int g, int b) {
  return COLORREF((r & 0xFF) << 16 | (g & 0xFF) << 8 | (b & 0xFF));
}
constexpr int GetRValue(COLORREF c) {
  return int(c >> 16 & 0xFF);
}
constexpr int GetGValue(COLORREF c) {
  return int(c >> 8 & 0xFF);
}
constexpr int GetBValue(COLORREF c) {
  return int(c & 0xFF);
}

constexpr WORD LOWORD(uintptr_t v) {
  return WORD(v & 0xFFFF);
}
constexpr WORD HIWORD(uintptr_t v) {
  return WORD(v >> 16 & 0xFFFF);
}
constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return LPARAM(uint32_t(WORD(lo)) | uint32_t(WORD(hi)) << 16);
}
constexpr int GET_X_LPARAM(LPARAM v) {
  return int(int16_t(LOWORD(uintptr_t(v))));
}
constexpr int GET_Y_LPARAM(LPARAM v) {
  return int(int16_t(HIWORD(uintptr_t(v))));
}

// Rectangle helpers (the platform's SetRect, IntersectRect and friends).
BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL IsRectEmpty(const RECT* r);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL IntersectRect(RECT* out, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* out, const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* r, POINT p);
BOOL EqualRect(const RECT* a, const RECT* b);

// The last error of the calling thread, for calls that report failure by
// their result.
enum : DWORD {
  ERROR_SUCCESS = 0,
  ERROR_FILE_NOT_FOUND = 2,
  ERROR_PATH_NOT_FOUND = 3,
  ERROR_TOO_MANY_OPEN_FILES = 4,
  ERROR_ACCESS_DENIED = 5,
  ERROR_INVALID_HANDLE = 6,
  ERROR_NOT_ENOUGH_MEMORY = 8,
  ERROR_INVALID_DRIVE = 15,
  ERROR_NOT_SAME_DEVICE = 17,
  ERROR_NO_MORE_FILES = 18,
  ERROR_WRITE_PROTECT = 19,
  ERROR_SHARING_VIOLATION = 32,
  ERROR_NOT_SUPPORTED = 50,
  ERROR_BAD_NETPATH = 53,
  ERROR_FILE_EXISTS = 80,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_DISK_FULL = 112,
  ERROR_INVALID_NAME = 123,
  ERROR_DIR_NOT_EMPTY = 145,
  ERROR_ALREADY_EXISTS = 183,
  ERROR_FILENAME_EXCED_RANGE = 206,
  ERROR_DIRECTORY = 267,
  ERROR_FILE_CORRUPT = 1392,
  ERROR_INVALID_WINDOW_HANDLE = 1400,
  ERROR_INVALID_MENU_HANDLE = 1401,
  ERROR_CANNOT_FIND_WND_CLASS = 1407,
  ERROR_CLASS_ALREADY_EXISTS = 1410,
  ERROR_INVALID_INDEX = 1413,
  ERROR_TLW_WITH_WSCHILD = 1406,
  ERROR_POPUP_ALREADY_ACTIVE = 1446,
  ERROR_MENU_ITEM_NOT_FOUND = 1456,
};
DWORD GetLastError();
void SetLastError(DWORD error);

}  // namespace tess::platform
