// Services plug-ins reach through the entry lookup that belong to the object
// runtime: a class's methods and properties by position, the Windows
// character set of a string's encoding, and the value of a constant written
// as the language writes it.
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

#include "runtime/class_registry.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/plugin.h"
#include "tessera/runtime.h"

namespace tess {
namespace {

const ClassObject* NamedClass(const char* name) {
  return name ? FindClassByName(name) : nullptr;
}

// The members of a class and its superclasses, the class's own first, in
// the order of their lists; `visit` returns true to stop.
template <typename Member, typename Visit>
int32_t WalkMembers(const ClassObject* cls, Member* ClassObject::*list, Visit visit) {
  int32_t n = 0;
  for (; cls; cls = cls->superclass)
    for (const Member* m = cls->*list; m; m = m->next, ++n)
      if (visit(m, n)) return n;
  return n;
}

// Windows character sets by TextEncoding base (or the runtime's own tags).
struct Charset {
  uint32_t base;
  int32_t charset;
};
constexpr int32_t kAnsiCharset = 0, kDefaultCharset = 1;
constexpr Charset kCharsets[] = {
    {kEncodingNone, kAnsiCharset},
    {kEncodingAsciiTag, kAnsiCharset},
    // Japanese (Shift-JIS, EUC-JP, ISO-2022-JP)
    {0x0420, 128},
    {0x0A01, 128},
    {0x0920, 128},
    {0x0820, 128},
    // Simplified Chinese, Korean, traditional Chinese, Johab, Thai
    {0x0421, 134},
    {0x0631, 134},
    {0x0422, 129},
    {0x0423, 136},
    {0x0510, 130},
    {0x041D, 222},
    // The Windows code pages 1252 (and US-ASCII), 1250 to 1258
    {0x0500, kAnsiCharset},
    {0x0600, kAnsiCharset},
    {0x0501, 238},
    {0x0502, 204},
    {0x0503, 161},
    {0x0504, 162},
    {0x0505, 177},
    {0x0506, 178},
    {0x0507, 186},
    {0x0508, 163},
};

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// "&h", "&o", "&b" and "&c" literals: at most 32 bits of digits.
bool ReadRadix(std::string_view digits, int radix, uint32_t* out) {
  if (digits.empty()) return false;
  uint64_t value = 0;
  for (char ch : digits) {
    int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
            : std::isxdigit(static_cast<unsigned char>(ch))
                ? std::tolower(static_cast<unsigned char>(ch)) - 'a' + 10
                : radix;
    if (d >= radix) return false;
    value = value * uint64_t(radix) + uint64_t(d);
    if (value > 0xFFFFFFFFull) return false;
  }
  *out = uint32_t(value);
  return true;
}

// A quoted string: "" inside stands for one quote; nothing may follow.
bool ReadQuoted(std::string_view s, std::string* out) {
  if (s.size() < 2 || s.front() != '"') return false;
  for (size_t i = 1; i < s.size(); ++i) {
    if (s[i] != '"') {
      out->push_back(s[i]);
    } else if (i + 1 < s.size() && s[i + 1] == '"') {
      out->push_back('"');
      ++i;
    } else {
      return i + 1 == s.size();
    }
  }
  return false;
}

int32_t Interpret(std::string_view s, TessConstantValue* v) {
  s = Trim(s);
  if (SameName(s, "True") || SameName(s, "False")) {
    v->integer = SameName(s, "True") ? 1 : 0;
    v->number = v->integer;
    return v->type = TESS_CONSTANT_BOOLEAN;
  }
  if (!s.empty() && s.front() == '"') {
    std::string text;
    if (!ReadQuoted(s, &text)) return TESS_CONSTANT_NONE;
    v->text = MakeString(text);
    return v->type = TESS_CONSTANT_STRING;
  }
  if (s.size() > 2 && s[0] == '&') {
    char kind = char(std::tolower(static_cast<unsigned char>(s[1])));
    int radix = kind == 'h' || kind == 'c' ? 16 : kind == 'o' ? 8 : kind == 'b' ? 2 : 0;
    uint32_t bits = 0;
    if (!radix || !ReadRadix(s.substr(2), radix, &bits)) return TESS_CONSTANT_NONE;
    if (kind == 'c' && bits > 0xFFFFFF) return TESS_CONSTANT_NONE;
    v->integer = int32_t(bits);
    v->number = v->integer;
    return v->type = kind == 'c' ? TESS_CONSTANT_COLOR : TESS_CONSTANT_INTEGER;
  }
  // A decimal number: an Integer when it has neither point nor exponent and
  // fits 32 bits, a Double otherwise.
  std::string_view digits = s.substr(!s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0);
  if (digits.empty() || !(std::isdigit(static_cast<unsigned char>(digits[0])) || digits[0] == '.'))
    return TESS_CONSTANT_NONE;
  std::string copy(s[0] == '+' ? s.substr(1) : s);
  double number = 0;
  auto [end, error] = std::from_chars(copy.data(), copy.data() + copy.size(), number);
  if (error != std::errc() || end != copy.data() + copy.size() || !std::isfinite(number))
    return TESS_CONSTANT_NONE;
  v->number = number;
  if (copy.find_first_of(".eE") == std::string::npos && number >= -2147483648.0 &&
      number <= 2147483647.0) {
    v->integer = int32_t(number);
    return v->type = TESS_CONSTANT_INTEGER;
  }
  return v->type = TESS_CONSTANT_DOUBLE;
}

}  // namespace
}  // namespace tess

using namespace tess;

extern "C" {

int32_t TessCountClassMethods(const char* className) {
  const ClassObject* cls = NamedClass(className);
  return cls ? WalkMembers(cls, &ClassObject::methods, [](const auto*, int32_t) { return false; })
             : 0;
}

void* TessGetClassMethod(const char* className, int32_t index, TessString** name) {
  if (name) *name = nullptr;
  const ClassObject* cls = NamedClass(className);
  if (!cls || index < 0) return nullptr;
  void* code = nullptr;
  WalkMembers(cls, &ClassObject::methods, [&](const MethodDescriptor* m, int32_t n) {
    if (n != index) return false;
    code = m->entry[0];
    if (name) *name = Share(m->name);
    return true;
  });
  return code;
}

int32_t TessCountClassProperties(const char* className) {
  const ClassObject* cls = NamedClass(className);
  return cls ? WalkMembers(cls, &ClassObject::properties,
                           [](const auto*, int32_t) { return false; })
             : 0;
}

int32_t TessGetClassProperty(const char* className, int32_t index, void* info) {
  auto* out = static_cast<TessClassPropertyInfo*>(info);
  const ClassObject* cls = NamedClass(className);
  if (!out || !cls || index < 0) return 0;
  *out = TessClassPropertyInfo{};
  bool found = false;
  WalkMembers(cls, &ClassObject::properties, [&](const PropertyDescriptor* p, int32_t n) {
    if (n != index) return false;
    *out = TessClassPropertyInfo{Share(p->name), p->getter, p->setter, p->parameter};
    found = true;
    return true;
  });
  return found ? 1 : 0;
}

int32_t TessGetWin32Charset(TessString* s) {
  uint32_t encoding = Encoding(s);
  for (const Charset& c : kCharsets)
    if (c.base == encoding) return c.charset;
  return kDefaultCharset;  // Unicode and everything without a character set of its own
}

int32_t PluginInterpretConstantValue(const char* text, void* value) {
  auto* v = static_cast<TessConstantValue*>(value);
  if (!v) return TESS_CONSTANT_NONE;
  *v = TessConstantValue{};
  return text ? Interpret(text, v) : TESS_CONSTANT_NONE;
}

}  // extern "C"
