// DrawText: text laid out in a rectangle, on one line or word-wrapped,
// aligned, with '&' marking the underlined mnemonic unless DT_NOPREFIX.
// Lines break at spaces; a word wider than the rectangle is broken where
// it no longer fits. Answers the height of the text drawn (or measured).
#include <algorithm>
#include <string>
#include <vector>

#include "platform/user/winuser.h"

namespace tess::platform {

namespace {

struct Line {
  std::string text;
  int mnemonic = -1;  // byte offset of the underlined character
};

int Width(HDC dc, const std::string& s) {
  SIZE size{};
  GetTextExtentPoint32(dc, s.data(), int(s.size()), &size);
  return size.cx;
}

// Removes '&' prefixes; returns the offset of the marked character.
int StripPrefix(std::string& s) {
  std::string out;
  int mark = -1;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != '&' && mark < 0) mark = int(out.size());
    }
    out += s[i];
  }
  s = out;
  return mark;
}

std::vector<Line> Layout(HDC dc, const std::string& text, int width, UINT format) {
  std::vector<Line> lines;
  std::vector<std::string> paragraphs;
  if (format & DT_SINGLELINE) {
    std::string one;
    for (char c : text) one += (c == '\r' || c == '\n') ? ' ' : c;
    paragraphs.push_back(one);
  } else {
    std::string cur;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        paragraphs.push_back(cur);
        cur.clear();
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else {
        cur += text[i];
      }
    }
    paragraphs.push_back(cur);
  }
  for (std::string& p : paragraphs) {
    if (format & DT_EXPANDTABS) {
      std::string e;
      for (char c : p) e += c == '\t' ? std::string(8, ' ') : std::string(1, c);
      p = e;
    }
    int mark = (format & DT_NOPREFIX) ? -1 : StripPrefix(p);
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE) || width <= 0) {
      lines.push_back({p, mark});
      continue;
    }
    size_t start = 0;
    while (start < p.size() || (start == 0 && p.empty())) {
      size_t end = start, lastSpace = std::string::npos;
      while (end < p.size()) {
        size_t next = end + 1;
        while (next < p.size() && (uint8_t(p[next]) & 0xC0) == 0x80) ++next;
        if (Width(dc, p.substr(start, next - start)) > width && end > start) break;
        if (p[end] == ' ') lastSpace = end;
        end = next;
      }
      if (end < p.size() && lastSpace != std::string::npos && lastSpace > start)
        end = lastSpace + 1;
      std::string piece = p.substr(start, end - start);
      while (!piece.empty() && piece.back() == ' ') piece.pop_back();
      int m = mark >= int(start) && mark < int(end) ? mark - int(start) : -1;
      lines.push_back({piece, m});
      if (end >= p.size()) break;
      start = end;
    }
  }
  return lines;
}

}  // namespace

int DrawText(HDC dc, const char* text, int length, RECT* r, UINT format) {
  if (!text || !r) return 0;
  std::string s = length < 0 ? std::string(text) : std::string(text, size_t(length));
  TEXTMETRIC tm{};
  if (!GetTextMetrics(dc, &tm)) return 0;
  int width = r->right - r->left;
  std::vector<Line> lines = Layout(dc, s, width, format);
  int height = int(lines.size()) * tm.tmHeight;
  if (format & DT_CALCRECT) {
    int widest = 0;
    for (const Line& l : lines) widest = std::max(widest, Width(dc, l.text));
    r->right = r->left + widest;
    r->bottom = r->top + height;
    return height;
  }
  int y = r->top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER)
      y = r->top + (r->bottom - r->top - tm.tmHeight) / 2;
    else if (format & DT_BOTTOM)
      y = r->bottom - tm.tmHeight;
  }
  int saved = SaveDC(dc);
  if (!(format & DT_NOCLIP)) IntersectClipRect(dc, r->left, r->top, r->right, r->bottom);
  UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
  for (const Line& l : lines) {
    int w = Width(dc, l.text);
    int x = (format & DT_CENTER)  ? r->left + (width - w) / 2
            : (format & DT_RIGHT) ? r->right - w
                                  : r->left;
    TextOut(dc, x, y, l.text.data(), int(l.text.size()));
    if (l.mnemonic >= 0) {
      int before = Width(dc, l.text.substr(0, size_t(l.mnemonic)));
      size_t n = 1;
      while (size_t(l.mnemonic) + n < l.text.size() &&
             (uint8_t(l.text[size_t(l.mnemonic) + n]) & 0xC0) == 0x80)
        ++n;
      int cw = Width(dc, l.text.substr(size_t(l.mnemonic), n));
      HBRUSH b = CreateSolidBrush(GetTextColor(dc));
      RECT u{x + before, y + tm.tmAscent + 1, x + before + cw, y + tm.tmAscent + 2};
      FillRect(dc, &u, b);
      DeleteObject(b);
    }
    y += tm.tmHeight;
  }
  SetTextAlign(dc, oldAlign);
  RestoreDC(dc, saved);
  return height;
}

}  // namespace tess::platform
