#include "values/japanese.h"

#include <cstdint>

namespace tess::japanese {
namespace {

constexpr char kEsc = 0x1B;

bool In(uint8_t b, uint8_t low, uint8_t high) {
  return b >= low && b <= high;
}
bool IsSjisLead(uint8_t b) {
  return In(b, 0x81, 0x9F) || In(b, 0xE0, 0xFC);
}
bool IsSjisTrail(uint8_t b) {
  return In(b, 0x40, 0xFC) && b != 0x7F;
}
bool IsKana(uint8_t b) {
  return In(b, 0xA1, 0xDF);
}
bool IsJis(uint8_t b) {
  return In(b, 0x21, 0x7E);
}
bool IsEuc(uint8_t b) {
  return In(b, 0xA1, 0xFE);
}

// Lead 0xF0 and up are the user-defined rows, which have no JIS code.
bool SjisToJis(uint8_t s1, uint8_t s2, uint8_t* j1, uint8_t* j2) {
  if (s1 >= 0xF0) return false;
  int row = (s1 - (s1 <= 0x9F ? 0x70 : 0xB0)) * 2 - 1;
  if (s2 >= 0x9F) {
    *j1 = uint8_t(row + 1);
    *j2 = uint8_t(s2 - 0x7E);
  } else {
    *j1 = uint8_t(row);
    *j2 = uint8_t(s2 - (s2 >= 0x80 ? 0x20 : 0x1F));
  }
  return true;
}

// j1 and j2 in 0x21-0x7E.
void AppendSjis(std::string& out, uint8_t j1, uint8_t j2) {
  uint8_t s1 = uint8_t(((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0));
  uint8_t s2 = (j1 & 1) ? uint8_t(j2 + (j2 >= 0x60 ? 0x20 : 0x1F)) : uint8_t(j2 + 0x7E);
  out += char(s1);
  out += char(s2);
}

// Rows of JIS X 0208 with characters, plus the NEC special row and the
// NEC-selected IBM extension rows that Windows text uses.
bool AssignedRow(uint8_t j1) {
  return In(j1, 0x21, 0x28) || j1 == 0x2D || In(j1, 0x30, 0x74) || In(j1, 0x79, 0x7C);
}

enum class Mode { kAscii, kKana, kKanji };

void Switch(std::string& out, Mode* mode, Mode wanted) {
  if (*mode == wanted) return;
  *mode = wanted;
  switch (wanted) {
    case Mode::kAscii:
      out += "\x1B(B";
      break;
    case Mode::kKana:
      out += "\x1B(I";
      break;
    case Mode::kKanji:
      out += "\x1B$B";
      break;
  }
}

struct Reading {
  int errors = 0;
  int odd = 0;  // double-byte codes outside the assigned rows
  int kana = 0;
  int doubles = 0;
};

Reading ReadAsShiftJis(const uint8_t* p, size_t n) {
  Reading r;
  for (size_t i = 0; i < n;) {
    uint8_t b = p[i];
    if (b < 0x80) {
      ++i;
    } else if (IsKana(b)) {
      ++r.kana;
      ++i;
    } else if (IsSjisLead(b) && i + 1 < n && IsSjisTrail(p[i + 1])) {
      uint8_t j1, j2;
      if (!SjisToJis(b, p[i + 1], &j1, &j2) || !AssignedRow(j1)) ++r.odd;
      ++r.doubles;
      i += 2;
    } else {
      ++r.errors;
      ++i;
    }
  }
  return r;
}

Reading ReadAsEucJp(const uint8_t* p, size_t n) {
  Reading r;
  for (size_t i = 0; i < n;) {
    uint8_t b = p[i];
    if (b < 0x80) {
      ++i;
    } else if (b == 0x8E && i + 1 < n && IsKana(p[i + 1])) {
      ++r.kana;
      i += 2;
    } else if (b == 0x8F && i + 2 < n && IsEuc(p[i + 1]) && IsEuc(p[i + 2])) {
      ++r.doubles;
      i += 3;
    } else if (IsEuc(b) && i + 1 < n && IsEuc(p[i + 1])) {
      if (!AssignedRow(b & 0x7F)) ++r.odd;
      ++r.doubles;
      i += 2;
    } else {
      ++r.errors;
      ++i;
    }
  }
  return r;
}

}  // namespace

std::string ShiftJisToEucJp(std::string_view sjis) {
  const auto* p = reinterpret_cast<const uint8_t*>(sjis.data());
  size_t n = sjis.size();
  std::string out;
  out.reserve(n + n / 2);
  for (size_t i = 0; i < n;) {
    uint8_t b = p[i];
    if (b < 0x80) {
      out += char(b);
      ++i;
    } else if (IsKana(b)) {
      out += char(0x8E);
      out += char(b);
      ++i;
    } else if (IsSjisLead(b) && i + 1 < n && IsSjisTrail(p[i + 1])) {
      uint8_t j1, j2;
      if (SjisToJis(b, p[i + 1], &j1, &j2)) {
        out += char(j1 | 0x80);
        out += char(j2 | 0x80);
      } else {
        out += '?';
      }
      i += 2;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

std::string EucJpToShiftJis(std::string_view euc) {
  const auto* p = reinterpret_cast<const uint8_t*>(euc.data());
  size_t n = euc.size();
  std::string out;
  out.reserve(n);
  for (size_t i = 0; i < n;) {
    uint8_t b = p[i];
    if (b < 0x80) {
      out += char(b);
      ++i;
    } else if (b == 0x8E && i + 1 < n && IsKana(p[i + 1])) {
      out += char(p[i + 1]);
      i += 2;
    } else if (b == 0x8F && i + 2 < n && IsEuc(p[i + 1]) && IsEuc(p[i + 2])) {
      out += '?';  // JIS X 0212 has no Shift-JIS code
      i += 3;
    } else if (IsEuc(b) && i + 1 < n && IsEuc(p[i + 1])) {
      AppendSjis(out, b & 0x7F, p[i + 1] & 0x7F);
      i += 2;
    } else {
      out += '?';
      ++i;
    }
  }
  return out;
}

std::string ShiftJisToIso2022Jp(std::string_view sjis) {
  const auto* p = reinterpret_cast<const uint8_t*>(sjis.data());
  size_t n = sjis.size();
  std::string out;
  out.reserve(n + 16);
  Mode mode = Mode::kAscii;
  for (size_t i = 0; i < n;) {
    uint8_t b = p[i];
    uint8_t j1, j2;
    if (b < 0x80) {
      Switch(out, &mode, Mode::kAscii);
      out += char(b);
      ++i;
    } else if (IsKana(b)) {
      Switch(out, &mode, Mode::kKana);
      out += char(b - 0x80);
      ++i;
    } else if (IsSjisLead(b) && i + 1 < n && IsSjisTrail(p[i + 1])) {
      if (SjisToJis(b, p[i + 1], &j1, &j2)) {
        Switch(out, &mode, Mode::kKanji);
        out += char(j1);
        out += char(j2);
      } else {
        Switch(out, &mode, Mode::kAscii);
        out += '?';
      }
      i += 2;
    } else {
      Switch(out, &mode, Mode::kAscii);
      out += '?';
      ++i;
    }
  }
  Switch(out, &mode, Mode::kAscii);
  return out;
}

std::string Iso2022JpToShiftJis(std::string_view jis) {
  const auto* p = reinterpret_cast<const uint8_t*>(jis.data());
  size_t n = jis.size();
  std::string out;
  out.reserve(n);
  Mode mode = Mode::kAscii;
  for (size_t i = 0; i < n;) {
    uint8_t b = p[i];
    if (b == kEsc) {
      // An escape cut off by the end of the text selects nothing.
      uint8_t c = i + 1 < n ? p[i + 1] : 0;
      if (c == '(' || c == '$') {
        if (i + 2 >= n) break;
        mode = c == '$' ? Mode::kKanji : p[i + 2] == 'I' ? Mode::kKana : Mode::kAscii;
        i += 3;
        continue;
      }
      if (c == 'K') {
        mode = Mode::kKanji;
        i += 2;
        continue;
      }
      if (i + 1 >= n) break;
      // Any other escape is not ours: keep the byte as text.
    }
    if (mode == Mode::kKanji && IsJis(b)) {
      if (i + 1 < n && IsJis(p[i + 1])) {
        AppendSjis(out, b, p[i + 1]);
        i += 2;
      } else {
        out += '?';
        ++i;
      }
      continue;
    }
    // ISO-2022-JP is 7-bit; of 8-bit bytes only half-width katakana (as in
    // 8-bit JIS) have a meaning.
    if (mode == Mode::kKana && In(b, 0x21, 0x5F)) {
      out += char(b + 0x80);
    } else {
      out += b < 0x80 || IsKana(b) ? char(b) : '?';
    }
    ++i;
  }
  return out;
}

Guess GuessEncoding(std::string_view bytes) {
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  size_t n = bytes.size();
  bool high = false;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == kEsc && i + 1 < n && (p[i + 1] == '$' || p[i + 1] == '(')) {
      return Guess::kIso2022Jp;
    }
    high = high || p[i] >= 0x80;
  }
  if (!high) return Guess::kUnknown;
  Reading s = ReadAsShiftJis(p, n);
  Reading e = ReadAsEucJp(p, n);
  if ((s.errors == 0) != (e.errors == 0)) return s.errors == 0 ? Guess::kShiftJis : Guess::kEucJp;
  if (s.errors != 0) {
    if (s.errors == e.errors) return Guess::kUnknown;
    return s.errors < e.errors ? Guess::kShiftJis : Guess::kEucJp;
  }
  if (s.odd != e.odd) return s.odd < e.odd ? Guess::kShiftJis : Guess::kEucJp;
  // EUC-JP kanji and kana read as Shift-JIS become runs of half-width
  // katakana; real Shift-JIS text is mostly double-byte.
  if (s.kana != s.doubles) return s.kana > s.doubles ? Guess::kEucJp : Guess::kShiftJis;
  return Guess::kUnknown;
}

}  // namespace tess::japanese
