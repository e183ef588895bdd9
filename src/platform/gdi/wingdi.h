// Drawing: device contexts, pens, brushes, fonts, bitmaps, regions and the
// operations on them, named and shaped as the runtime's platform has them.
// Drawing is aliased and pixel-exact. Coordinates are logical (device plus
// the context's origin); right and bottom edges of rectangles are exclusive.
#pragma once

#include <string>

#include "platform/windef.h"

namespace tess::platform {

// Pen styles. Pens have a width and (as an extension the drawing context of
// the language needs) a height: the pen's nib is width x height pixels and
// hangs right of and below the point it draws.
enum : int { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_NULL = 5, PS_INSIDEFRAME = 6 };
// Brush styles.
enum : UINT { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1 };
// Stock objects.
enum : int {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  HOLLOW_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  SYSTEM_FONT = 13,
  DEFAULT_GUI_FONT = 17,
};
// Background modes, fill modes, mix modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : int { ALTERNATE = 1, WINDING = 2 };
enum : int { R2_BLACK = 1, R2_NOT = 6, R2_XORPEN = 7, R2_COPYPEN = 13, R2_WHITE = 16 };
// Text alignment.
enum : UINT {
  TA_LEFT = 0,
  TA_TOP = 0,
  TA_RIGHT = 2,
  TA_CENTER = 6,
  TA_BOTTOM = 8,
  TA_BASELINE = 24,
};
// Raster operations of the blits.
enum : DWORD {
  SRCCOPY = 0x00CC0020,
  SRCPAINT = 0x00EE0086,
  SRCAND = 0x008800C6,
  SRCINVERT = 0x00660046,
  NOTSRCCOPY = 0x00330008,
  PATCOPY = 0x00F00021,
  PATINVERT = 0x005A0049,
  DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042,
  WHITENESS = 0x00FF0062,
};
// Region combination and results.
enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum : int { RGN_ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
// Font weights, and the GetDeviceCaps indexes answered.
enum : int { FW_NORMAL = 400, FW_BOLD = 700 };
enum : int { BITSPIXEL = 12, LOGPIXELSX = 88, LOGPIXELSY = 90, HORZRES = 8, VERTRES = 10 };
// Printers: the whole paper and where the printable area lies on it, in
// device pixels.
enum : int {
  PHYSICALWIDTH = 110,
  PHYSICALHEIGHT = 111,
  PHYSICALOFFSETX = 112,
  PHYSICALOFFSETY = 113
};
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct LOGFONT {
  LONG lfHeight = 0;  // < 0: character height in pixels; > 0: cell height
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  char lfFaceName[32] = {};
};

struct TEXTMETRIC {
  LONG tmHeight, tmAscent, tmDescent, tmInternalLeading, tmExternalLeading;
  LONG tmAveCharWidth, tmMaxCharWidth, tmWeight;
  BYTE tmItalic, tmUnderlined;
};

struct BITMAP {
  LONG bmType, bmWidth, bmHeight, bmWidthBytes;
  WORD bmPlanes, bmBitsPixel;
  void* bmBits;
};

// Font families: one call per face name of FontFamilyNames (or only the
// one named), until the procedure answers 0; the last answer is returned.
enum : DWORD { TRUETYPE_FONTTYPE = 4 };
using FONTENUMPROC = int (*)(const LOGFONT* lf, const TEXTMETRIC* tm, DWORD fontType, LPARAM data);
int EnumFontFamilies(HDC dc, const char* family, FONTENUMPROC proc, LPARAM data);

// Objects.
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenWH(int style, int width, int height, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
HFONT CreateFontIndirect(const LOGFONT* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face);
HGDIOBJ GetStockObject(int which);
// Fails (FALSE) for an object still selected into a context; stock objects
// are never deleted.
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
int GetObject(HGDIOBJ object, int size, void* out);

// Bitmaps: rows top-down, padded to 4 bytes; `bits` may be null.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
LONG GetBitmapBits(HBITMAP bitmap, LONG size, void* out);
LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* bits);

// Device-independent bitmaps whose pixels the caller reads and writes
// directly: rows top-down (biHeight must be negative), padded to 4 bytes,
// at 1, 16, 24 or 32 bits per pixel, laid out as the surfaces are (see
// surface.h). `*bits` stays valid until the bitmap is deleted.
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth, biHeight;
  WORD biPlanes, biBitCount;
  DWORD biCompression, biSizeImage;
  LONG biXPelsPerMeter, biYPelsPerMeter;
  DWORD biClrUsed, biClrImportant;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  DWORD bmiColors[1];
};
enum : DWORD { BI_RGB = 0 };
enum : UINT { DIB_RGB_COLORS = 0 };
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section,
                         DWORD offset);

// Contexts.
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
int GetDeviceCaps(HDC dc, int index);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int SetPolyFillMode(HDC dc, int mode);
int SetROP2(HDC dc, int mode);
UINT SetTextAlign(HDC dc, UINT align);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
enum : UINT { OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_FONT = 6, OBJ_BITMAP = 7 };
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);

// Regions and clipping (clip regions are in logical coordinates when set,
// and stay with the device pixels afterwards, as the platform has it).
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
BOOL PtInRegion(HRGN region, int x, int y);
int GetRgnBox(HRGN region, RECT* out);
int SelectClipRgn(HDC dc, HRGN region);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int GetClipBox(HDC dc, RECT* out);

// Shapes.
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Polygon(HDC dc, const POINT* points, int count);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);
int FillRect(HDC dc, const RECT* r, HBRUSH brush);
int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* r);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// Blits. StretchBlt picks the nearest source pixel; negative sizes mirror.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, DWORD rop);

// The blends of the platform's image library. AlphaBlend takes a 32-bit
// source whose high bytes are the pixels' alpha, colours premultiplied
// (AC_SRC_ALPHA), times the constant alpha; TransparentBlt copies every
// source pixel except those of the transparent colour. Both stretch as
// StretchBlt does.
struct BLENDFUNCTION {
  BYTE BlendOp, BlendFlags, SourceConstantAlpha, AlphaFormat;
};
enum : BYTE { AC_SRC_OVER = 0, AC_SRC_ALPHA = 1 };
BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, BLENDFUNCTION blend);
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                    int sh, UINT transparent);

// Text, as UTF-8 bytes (bytes that are not UTF-8 are read as Latin-1).
BOOL TextOut(HDC dc, int x, int y, const char* text, int length);
BOOL GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE* size);
// How many characters (not bytes) of the text fit in maxExtent pixels, and
// the extent after each character; `fit` and `dx` may be null.
BOOL GetTextExtentExPoint(HDC dc, const char* text, int length, int maxExtent, int* fit, int* dx,
                          SIZE* size);
// TextOut with an optional rectangle filled with the background colour
// (ETO_OPAQUE) and/or clipping the text (ETO_CLIPPED).
enum : UINT { ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4 };
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, const char* text, int length,
                const int* dx);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
int GetTextFace(HDC dc, int size, char* name);

}  // namespace tess::platform
