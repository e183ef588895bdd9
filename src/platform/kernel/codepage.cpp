#include "platform/kernel/codepage.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace tess::platform {

namespace {

struct ConverterDeleter {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterDeleter>;

std::string IcuName(uint32_t codePage) {
  switch (codePage) {
    case CP_UTF8:
      return "UTF-8";
    case 65000:
      return "UTF-7";
    case 1200:
      return "UTF-16LE";
    case 1201:
      return "UTF-16BE";
    case 20127:
      return "US-ASCII";
    case 50220:
      return "ISO-2022-JP";
    case 51932:
      return "EUC-JP";
    case 437:
      return "ibm-437";
    case 850:
      return "ibm-850";
    default:
      if (codePage >= 28591 && codePage <= 28605) {
        return "ISO-8859-" + std::to_string(codePage - 28590);
      }
      return "windows-" + std::to_string(codePage);
  }
}

Converter Open(uint32_t codePage) {
  UErrorCode error = U_ZERO_ERROR;
  UConverter* c = ucnv_open(IcuName(codePage).c_str(), &error);
  if (U_FAILURE(error)) {
    // The OEM and EBCDIC pages (37, 851, ...) go by their IBM names only.
    error = U_ZERO_ERROR;
    c = ucnv_open(("ibm-" + std::to_string(codePage)).c_str(), &error);
    if (U_FAILURE(error)) return nullptr;
  }
  // What a page cannot hold becomes "?", as the platform writes it; ICU's
  // own substitutes (0x1A, FC FC) are control or private characters there.
  char question[8];
  const UChar mark = u'?';
  error = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(c, question, sizeof question, &mark, 1, &error);
  if (U_SUCCESS(error) && n > 0) {
    ucnv_setSubstChars(c, question, int8_t(n), &error);
  }
  ucnv_reset(c);
  return Converter(c);
}

// Opening a converter by name costs more than converting a short text, and
// comparisons convert two texts each time: every thread keeps the converters
// it has used (a converter must not be shared between threads), reset
// before each use. A code page without a converter is remembered as such.
UConverter* Cached(uint32_t codePage) {
  thread_local std::map<uint32_t, Converter> cache;
  auto it = cache.find(codePage);
  if (it == cache.end()) it = cache.emplace(codePage, Open(codePage)).first;
  UConverter* c = it->second.get();
  if (c) ucnv_reset(c);
  return c;
}

// Everything derived from the system code page, rebuilt when it changes.
struct SystemPage {
  uint32_t codePage = 1252;
  bool doubleByte = false;
  bool leadBytes[256] = {};
  // Printable ASCII, tab, CR and LF are their own bytes, as in all but the
  // EBCDIC pages. (Some pages move control characters such as 0x1A.)
  bool asciiCompatible = false;
  // Single-byte pages case through tables built once from ICU.
  uint8_t upper[256] = {};
  uint8_t lower[256] = {};
};

// Cases one code point with `map` and writes it back into the same bytes
// when the cased form has exactly as many bytes.
void CaseCharacter(UConverter* c, char* text, size_t length, UChar32 (*map)(UChar32)) {
  UErrorCode error = U_ZERO_ERROR;
  UChar wide[4];
  int32_t units = ucnv_toUChars(c, wide, 4, text, int32_t(length), &error);
  if (U_FAILURE(error) || units < 1) return;
  UChar32 cp;
  int32_t i = 0;
  U16_NEXT(wide, i, units, cp);
  if (i != units) return;
  UChar32 cased = map(cp);
  if (cased == cp) return;
  UChar out[2];
  int32_t outUnits = 0;
  U16_APPEND_UNSAFE(out, outUnits, cased);
  char bytes[8];
  error = U_ZERO_ERROR;
  int32_t n = ucnv_fromUChars(c, bytes, sizeof bytes, out, outUnits, &error);
  if (U_FAILURE(error) || size_t(n) != length) return;
  // A converter substitutes what it cannot map; keep the original then.
  error = U_ZERO_ERROR;
  UChar back[4];
  int32_t backUnits = ucnv_toUChars(c, back, 4, bytes, n, &error);
  if (U_FAILURE(error) || backUnits != outUnits || back[0] != out[0]) return;
  for (size_t k = 0; k < length; ++k) text[k] = bytes[k];
}

std::mutex g_lock;
SystemPage g_system;
bool g_systemReady = false;

void BuildSystemPage(uint32_t codePage, SystemPage* page) {
  page->codePage = codePage;
  Converter c = Open(codePage);
  UBool starters[256] = {};
  UErrorCode error = U_ZERO_ERROR;
  if (c && ucnv_getType(c.get()) != UCNV_UTF8) ucnv_getStarters(c.get(), starters, &error);
  for (int i = 0; i < 256; ++i) {
    page->leadBytes[i] = U_SUCCESS(error) && starters[i];
    page->doubleByte = page->doubleByte || page->leadBytes[i];
  }
  if (c) {
    char ascii[128];
    UChar wide[128];
    for (int i = 0; i < 128; ++i) ascii[i] = char(i);
    error = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(c.get(), wide, 128, ascii, 128, &error);
    page->asciiCompatible = U_SUCCESS(error) || error == U_STRING_NOT_TERMINATED_WARNING;
    for (int i = 0; page->asciiCompatible && i < 128; ++i) {
      bool plain = (i >= 0x20 && i < 0x7F) || i == '\t' || i == '\n' || i == '\r';
      page->asciiCompatible = n == 128 && (!plain || wide[i] == UChar(i));
    }
  }
  for (int i = 0; i < 256; ++i) {
    char up = char(i), low = char(i);
    if (c && !page->doubleByte) {
      CaseCharacter(c.get(), &up, 1, u_toupper);
      CaseCharacter(c.get(), &low, 1, u_tolower);
    }
    page->upper[i] = uint8_t(up);
    page->lower[i] = uint8_t(low);
  }
}

const SystemPage& System() {
  std::lock_guard<std::mutex> guard(g_lock);
  if (!g_systemReady) {
    uint32_t codePage = 1252;
    if (const char* setting = std::getenv("TESSERA_CODEPAGE")) {
      uint32_t wanted = uint32_t(std::strtoul(setting, nullptr, 10));
      if (Open(wanted)) codePage = wanted;
    }
    BuildSystemPage(codePage, &g_system);
    g_systemReady = true;
  }
  return g_system;
}

uint32_t Resolve(uint32_t codePage) {
  return codePage == CP_ACP ? GetACP() : codePage;
}

void CaseBuffer(char* text, size_t length, UChar32 (*map)(UChar32)) {
  const SystemPage& page = System();
  if (!page.doubleByte) {
    const uint8_t* table = map == u_toupper ? page.upper : page.lower;
    for (size_t i = 0; i < length; ++i) text[i] = char(table[uint8_t(text[i])]);
    return;
  }
  Converter c = Open(page.codePage);
  if (!c) return;
  for (size_t i = 0; i < length;) {
    size_t n = (page.leadBytes[uint8_t(text[i])] && i + 1 < length) ? 2 : 1;
    CaseCharacter(c.get(), text + i, n, map);
    i += n;
  }
}

}  // namespace

uint32_t GetACP() {
  return System().codePage;
}

bool SetACP(uint32_t codePage) {
  if (!Open(codePage)) return false;
  SystemPage page;
  BuildSystemPage(codePage, &page);
  std::lock_guard<std::mutex> guard(g_lock);
  g_system = page;
  g_systemReady = true;
  return true;
}

bool IsValidCodePage(uint32_t codePage) {
  return codePage != CP_ACP && Cached(codePage) != nullptr;
}

int MaxCharSize(uint32_t codePage) {
  UConverter* c = Cached(Resolve(codePage));
  return c ? ucnv_getMaxCharSize(c) : 1;
}

bool IsAsciiCompatible() {
  return System().asciiCompatible;
}

bool IsDBCSLeadByte(uint8_t byte) {
  return System().leadBytes[byte];
}

uint16_t GetCharType(std::string_view character) {
  std::u16string wide = MultiByteToWide(CP_ACP, character);
  if (wide.empty()) return 0;
  UChar32 cp;
  int32_t i = 0;
  U16_NEXT(wide.data(), i, int32_t(wide.size()), cp);
  uint16_t type = 0;
  if (u_isupper(cp)) type |= C1_UPPER;
  if (u_islower(cp)) type |= C1_LOWER;
  if (u_isdigit(cp)) type |= C1_DIGIT;
  if (u_isspace(cp)) type |= C1_SPACE;
  if (u_ispunct(cp)) type |= C1_PUNCT;
  if (u_iscntrl(cp)) type |= C1_CNTRL;
  if (u_isblank(cp)) type |= C1_BLANK;
  if (u_isxdigit(cp)) type |= C1_XDIGIT;
  if (u_isalpha(cp)) type |= C1_ALPHA;
  return type;
}

void CharUpperBuff(char* text, size_t length) {
  CaseBuffer(text, length, u_toupper);
}
void CharLowerBuff(char* text, size_t length) {
  CaseBuffer(text, length, u_tolower);
}

// Both conversions write into an uninitialised worst-case buffer and copy out
// what was used: zero-filling the worst case costs more than the copy.
std::u16string MultiByteToWide(uint32_t codePage, std::string_view text) {
  UConverter* c = Cached(Resolve(codePage));
  if (!c || text.empty()) return {};
  size_t capacity = text.size() * 2 + 2;
  std::unique_ptr<UChar[]> out(new UChar[capacity]);
  UErrorCode error = U_ZERO_ERROR;
  int32_t n =
      ucnv_toUChars(c, out.get(), int32_t(capacity), text.data(), int32_t(text.size()), &error);
  if (U_FAILURE(error)) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(out.get()), size_t(n));
}

std::string WideToMultiByte(uint32_t codePage, std::u16string_view text) {
  UConverter* c = Cached(Resolve(codePage));
  if (!c || text.empty()) return {};
  size_t capacity = text.size() * size_t(ucnv_getMaxCharSize(c)) + 4;
  std::unique_ptr<char[]> out(new char[capacity]);
  UErrorCode error = U_ZERO_ERROR;
  int32_t n =
      ucnv_fromUChars(c, out.get(), int32_t(capacity), reinterpret_cast<const UChar*>(text.data()),
                      int32_t(text.size()), &error);
  if (U_FAILURE(error)) return {};
  return std::string(out.get(), size_t(n));
}

std::string ConvertMultiByte(uint32_t from, uint32_t to, std::string_view text) {
  Converter source = Open(Resolve(from));
  Converter target = Open(Resolve(to));
  if (!source || !target || text.empty()) return {};
  UChar pivot[4096];
  UChar* pivotSource = pivot;
  UChar* pivotTarget = pivot;
  const char* in = text.data();
  const char* end = in + text.size();
  size_t capacity = text.size() * 2 + 16;
  std::unique_ptr<char[]> buffer(new char[capacity]);
  size_t used = 0;
  for (bool reset = true;; reset = false) {
    char* out = buffer.get() + used;
    UErrorCode error = U_ZERO_ERROR;
    ucnv_convertEx(target.get(), source.get(), &out, buffer.get() + capacity, &in, end, pivot,
                   &pivotSource, &pivotTarget, pivot + 4096, reset, true, &error);
    used = size_t(out - buffer.get());
    if (error != U_BUFFER_OVERFLOW_ERROR) {
      if (U_FAILURE(error)) return {};
      break;
    }
    // The conversion resumes where it stopped, pivot included.
    size_t larger = capacity * 2;
    std::unique_ptr<char[]> grown(new char[larger]);
    std::memcpy(grown.get(), buffer.get(), used);
    buffer = std::move(grown);
    capacity = larger;
  }
  return std::string(buffer.get(), used);
}

}  // namespace tess::platform
