#include "graphics/printer_settings.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace tess::graphics {
namespace {

using namespace platform;

constexpr std::string_view kHeader = "TESSPRINT 1";

std::string Escape(std::string_view name) {
  std::string out;
  for (char c : name) {
    auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127 || c == '%' || c == ';' || c == '=') {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", u);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    *out += char(hi * 16 + lo);
    i += 2;
  }
  return true;
}

bool Integer(std::string_view text, int low, int high, int* out) {
  int v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  *out = v;
  return true;
}

std::vector<std::string_view> Split(std::string_view text, char by) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    size_t end = text.find(by, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::string FormatSetupString(const PrintSettings& s) {
  const DEVMODE& m = s.mode;
  char numbers[320];
  std::snprintf(numbers, sizeof numbers,
                ";paper=%d;width=%d;length=%d;orientation=%d;copies=%d;collate=%d;from=%d;to=%d;"
                "xres=%d;yres=%d;maxxres=%d;maxyres=%d;margins=%d,%d,%d,%d",
                m.dmPaperSize, m.dmPaperWidth, m.dmPaperLength, m.dmOrientation, m.dmCopies,
                m.dmCollate, m.dmFromPage, m.dmToPage, m.dmPrintQuality, m.dmYResolution, s.maxXRes,
                s.maxYRes, m.dmMargin[0], m.dmMargin[1], m.dmMargin[2], m.dmMargin[3]);
  return std::string(kHeader) + ";printer=" +
         Escape(std::string_view(m.dmDeviceName, strnlen(m.dmDeviceName, sizeof m.dmDeviceName))) +
         numbers;
}

bool ParseSetupString(std::string_view text, PrintSettings* settings, std::string* error) {
  std::vector<std::string_view> fields = Split(text, ';');
  if (fields[0] != kHeader) {
    *error = "not a printer setup string";
    return false;
  }
  PrintSettings s;
  DEVMODE& m = s.mode;
  std::set<std::string_view> seen;
  constexpr int kShort = 32767;
  for (size_t i = 1; i < fields.size(); ++i) {
    size_t eq = fields[i].find('=');
    std::string_view key = fields[i].substr(0, eq);
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : fields[i].substr(eq + 1);
    if (eq == std::string_view::npos || !seen.insert(key).second) {
      *error = "malformed or repeated field \"" + std::string(key) + "\"";
      return false;
    }
    int v = 0;
    auto number = [&](short* field, int low, int high) {
      if (!Integer(value, low, high, &v)) return false;
      *field = short(v);
      return true;
    };
    bool ok = true;
    if (key == "printer") {
      std::string name;
      ok = Unescape(value, &name) && name.size() < sizeof m.dmDeviceName &&
           name.find('\0') == std::string::npos;
      if (ok) std::snprintf(m.dmDeviceName, sizeof m.dmDeviceName, "%s", name.c_str());
    } else if (key == "paper") {
      ok = number(&m.dmPaperSize, 0, kShort);
    } else if (key == "width") {
      ok = number(&m.dmPaperWidth, 0, kShort);
    } else if (key == "length") {
      ok = number(&m.dmPaperLength, 0, kShort);
    } else if (key == "orientation") {
      ok = number(&m.dmOrientation, DMORIENT_PORTRAIT, DMORIENT_LANDSCAPE);
    } else if (key == "copies") {
      ok = number(&m.dmCopies, 1, 9999);
    } else if (key == "collate") {
      ok = number(&m.dmCollate, 0, 1);
    } else if (key == "from") {
      ok = number(&m.dmFromPage, 0, 9999);
    } else if (key == "to") {
      ok = number(&m.dmToPage, 0, 9999);
    } else if (key == "xres") {
      ok = number(&m.dmPrintQuality, 1, kPrinterMaxResolution);
    } else if (key == "yres") {
      ok = number(&m.dmYResolution, 1, kPrinterMaxResolution);
    } else if (key == "maxxres") {
      ok = Integer(value, 1, kPrinterMaxResolution, &s.maxXRes);
    } else if (key == "maxyres") {
      ok = Integer(value, 1, kPrinterMaxResolution, &s.maxYRes);
    } else if (key == "margins") {
      std::vector<std::string_view> parts = Split(value, ',');
      ok = parts.size() == 4;
      for (size_t k = 0; ok && k < 4; ++k) ok = Integer(parts[k], 0, 100000, &m.dmMargin[k]);
    } else {
      *error = "unknown field \"" + std::string(key) + "\"";
      return false;
    }
    if (!ok) {
      *error = "bad value for \"" + std::string(key) + "\"";
      return false;
    }
  }
  if (!ValidDevMode(m)) {
    *error = "the paper, resolution, page range or margins cannot be printed";
    return false;
  }
  *settings = s;
  return true;
}

}  // namespace tess::graphics
