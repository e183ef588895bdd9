// The system's icons (stop, question, warning, information), drawn as
// 32-pixel shapes with their mark, the way message boxes show them.
#include <cstdint>

#include "platform/gdi/wingdi.h"
#include "platform/user/winuser.h"

namespace tess::platform {

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  uintptr_t id = reinterpret_cast<uintptr_t>(icon);
  if (id < kIdiHand || id > kIdiAsterisk) return 0;
  const RECT r{x, y, x + 32, y + 32};
  COLORREF fill = id == kIdiHand ? 0xFF0000 : id == kIdiExclamation ? 0xFFFF00 : 0x0000FF;
  const char* mark = id == kIdiHand          ? "X"
                     : id == kIdiQuestion    ? "?"
                     : id == kIdiExclamation ? "!"
                                             : "i";
  int saved = SaveDC(dc);
  if (!saved) return 0;
  HBRUSH brush = CreateSolidBrush(fill);
  SelectObject(dc, brush);
  SelectObject(dc, GetStockObject(BLACK_PEN));
  if (id == kIdiExclamation) {
    const POINT tri[] = {{r.left + 16, r.top}, {r.right - 1, r.bottom - 2}, {r.left, r.bottom - 2}};
    Polygon(dc, tri, 3);
  } else {
    Ellipse(dc, r.left, r.top, r.right, r.bottom);
  }
  HFONT font = CreateFont(-18, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Times New Roman");
  SelectObject(dc, font);
  SetTextColor(dc, id == kIdiExclamation ? 0 : 0xFFFFFF);
  SetBkMode(dc, TRANSPARENT);
  RECT t = r;
  DrawText(dc, mark, -1, &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  RestoreDC(dc, saved);
  DeleteObject(brush);
  DeleteObject(font);
  return 1;
}

}  // namespace tess::platform
