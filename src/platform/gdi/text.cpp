// Text output and measurement through the context's font. Glyphs are drawn
// as one-bit masks in the text colour; in opaque mode the text's cell is
// filled with the background colour first. The reference point follows the
// context's text alignment (top, baseline or bottom; left, centre, right).
#include <algorithm>
#include <cstring>

#include "platform/gdi/font.h"
#include "platform/gdi/gdi_internal.h"

namespace tess::platform {

using namespace gdi;

namespace gdi {

FontFace* FaceOf(HDC dc) {
  auto* f = As<Font>(dc->state.font, GdiKind::Font);
  if (!f) f = As<Font>(GetStockObject(SYSTEM_FONT), GdiKind::Font);
  if (!f->face) f->face = FontFace::Get(f->lf);
  return f->face.get();
}

int TextWidth(FontFace& face, const std::vector<uint32_t>& cps) {
  int64_t w = 0;
  for (uint32_t cp : cps) w += face.GlyphFor(cp).advance;
  return int(std::min<int64_t>(w, 1 << 30));
}

}  // namespace gdi

BOOL GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE* size) {
  if (!IsLiveDC(dc) || !size || length < 0 || (!text && length > 0)) return 0;
  FontFace* face = FaceOf(dc);
  size->cx = TextWidth(*face, DecodeText(text, length));
  size->cy = face->metrics().tmHeight;
  return 1;
}

BOOL GetTextExtentExPoint(HDC dc, const char* text, int length, int maxExtent, int* fit, int* dx,
                          SIZE* size) {
  if (!IsLiveDC(dc) || length < 0 || (!text && length > 0)) return 0;
  FontFace* face = FaceOf(dc);
  std::vector<uint32_t> cps = DecodeText(text, length);
  int64_t x = 0;
  int fits = 0;
  for (size_t i = 0; i < cps.size(); ++i) {
    x = std::min<int64_t>(x + face->GlyphFor(cps[i]).advance, 1 << 30);
    if (dx) dx[i] = int(x);
    if (x <= maxExtent) fits = int(i) + 1;
  }
  if (fit) *fit = fits;
  if (size) *size = SIZE{LONG(x), face->metrics().tmHeight};
  return 1;
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, const char* text, int length,
                const int*) {
  if (!IsLiveDC(dc)) return 0;
  int saved = 0;
  if (r && (options & ETO_OPAQUE)) {
    HBRUSH bk = CreateSolidBrush(dc->state.bkColor);
    FillRect(dc, r, bk);
    DeleteObject(bk);
  }
  if (r && (options & ETO_CLIPPED)) {
    saved = SaveDC(dc);
    IntersectClipRect(dc, r->left, r->top, r->right, r->bottom);
  }
  BOOL ok = length > 0 ? TextOut(dc, x, y, text, length) : 1;
  if (saved) RestoreDC(dc, saved);
  return ok;
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm) {
  if (!IsLiveDC(dc) || !tm) return 0;
  *tm = FaceOf(dc)->metrics();
  return 1;
}

int GetTextFace(HDC dc, int size, char* name) {
  if (!IsLiveDC(dc)) return 0;
  const std::string& n = FaceOf(dc)->name();
  if (!name) return int(n.size()) + 1;
  if (size <= 0) return 0;
  int count = std::min<int>(size - 1, int(n.size()));
  std::memcpy(name, n.data(), size_t(count));
  name[count] = '\0';
  return count;
}

BOOL TextOut(HDC dc, int x, int y, const char* text, int length) {
  if (!IsLiveDC(dc) || length < 0 || (!text && length > 0)) return 0;
  if (!dc->surface) return 0;
  FontFace* face = FaceOf(dc);
  std::vector<uint32_t> cps = DecodeText(text, length);
  const TEXTMETRIC& tm = face->metrics();
  int width = TextWidth(*face, cps);
  int64_t ox = int64_t(x) + dc->base.x + dc->state.viewport.x;
  int64_t oy = int64_t(y) + dc->base.y + dc->state.viewport.y;
  UINT align = dc->state.textAlign;
  if ((align & TA_CENTER) == TA_CENTER)
    ox -= width / 2;
  else if (align & TA_RIGHT)
    ox -= width;
  int64_t baseline = (align & TA_BASELINE) == TA_BASELINE ? oy
                     : (align & TA_BOTTOM)                ? oy - tm.tmDescent
                                                          : oy + tm.tmAscent;
  Region clip = EffectiveClip(*dc);
  RECT box = clip.Bounds();
  if (clip.Empty() || ox > box.right || ox + width < box.left) return 1;
  auto clamp = [](int64_t v) { return LONG(std::clamp<int64_t>(v, -(1 << 30), 1 << 30)); };
  if (dc->state.bkMode == OPAQUE)
    FillDeviceRect(*dc, clip,
                   RECT{clamp(ox), clamp(baseline - tm.tmAscent), clamp(ox + width),
                        clamp(baseline + tm.tmDescent)},
                   dc->state.bkColor);
  COLORREF color = dc->state.textColor & 0xFFFFFF;
  if (dc->sink && dc->sink->Text(*dc, *face, ox, baseline, cps, color, clip)) return 1;
  int64_t pen = ox;
  for (uint32_t cp : cps) {
    const Glyph& g = face->GlyphFor(cp);
    int64_t gx = pen + g.left, gy = baseline - g.top;
    if (gx <= box.right && gx + g.width >= box.left && gy <= box.bottom &&
        gy + g.height >= box.top) {
      for (int row = 0; row < g.height; ++row) {
        const uint8_t* bits = g.bits.data() + size_t(row) * size_t(g.width);
        for (int col = 0; col < g.width;) {
          if (!bits[col]) {
            ++col;
            continue;
          }
          int run = col;
          while (run < g.width && bits[run]) ++run;
          FillDeviceRect(
              *dc, clip,
              RECT{clamp(gx + col), clamp(gy + row), clamp(gx + run), clamp(gy + row + 1)}, color);
          col = run;
        }
      }
    }
    pen += g.advance;
  }
  if (face->underline()) {
    int64_t uy = baseline + face->underlinePosition();
    FillDeviceRect(
        *dc, clip,
        RECT{clamp(ox), clamp(uy), clamp(ox + width), clamp(uy + face->underlineThickness())},
        color);
  }
  if (face->strikeOut()) {
    int64_t sy = baseline - tm.tmAscent / 3;
    FillDeviceRect(*dc, clip, RECT{clamp(ox), clamp(sy), clamp(ox + width), clamp(sy + 1)}, color);
  }
  return 1;
}

}  // namespace tess::platform
