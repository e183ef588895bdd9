#include "values/variant.h"

#include <cmath>
#include <cstring>
#include <string>

#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/name_fold.h"
#include "runtime/numeric_conversions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/date.h"
#include "values/number_format.h"

namespace tess {

namespace {

ClassObject* g_variant = nullptr;

static_assert(sizeof(VariantFields) == 16);

void DestructVariant(TessObject* object, ClassObject*) {
  VariantFields* f = VariantData(object);
  if (f->type == int32_t(VariantType::kString)) {
    UnlockString(reinterpret_cast<TessString*>(uintptr_t(f->words[0])));
  } else if (f->type == int32_t(VariantType::kObject)) {
    UnlockObject(reinterpret_cast<TessObject*>(uintptr_t(f->words[0])));
  }
  *f = {};
}

TessObject* NewVariant(VariantType type, uint32_t w0 = 0, uint32_t w1 = 0) {
  TessObject* v = CreateObject(g_variant);
  *VariantData(v) = {int32_t(type), {w0, w1, 0}};
  return v;
}

TessObject* NewDoubleVariant(VariantType type, double value) {
  uint32_t words[2];
  std::memcpy(words, &value, sizeof value);
  return NewVariant(type, words[0], words[1]);
}

double DoubleOf(const VariantFields* f) {
  double value;
  std::memcpy(&value, f->words, sizeof value);
  return value;
}

TessString* StringOf(const VariantFields* f) {
  return reinterpret_cast<TessString*>(uintptr_t(f->words[0]));
}

TessObject* ObjectOf(const VariantFields* f) {
  return reinterpret_cast<TessObject*>(uintptr_t(f->words[0]));
}

const VariantFields* Checked(TessObject* variant) {
  if (!variant) Raise(RuntimeError::kNilObject);
  return VariantData(variant);
}

[[noreturn]] void Mismatch() {
  Raise(RuntimeError::kTypeMismatch);
}

// Numeric view shared by the Integer, Color and Double conversions.
double NumberOf(const VariantFields* f) {
  switch (VariantType(f->type)) {
    case VariantType::kInteger:
    case VariantType::kBoolean:
      return int32_t(f->words[0]);
    case VariantType::kColor:
      return f->words[0];
    case VariantType::kDouble:
    case VariantType::kDate:
      return DoubleOf(f);
    case VariantType::kString:
      return StringVal(StringOf(f));
    default:
      Mismatch();
  }
}

std::string DoubleText(double value) {
  std::string text = DigitString(value, false, 17);
  size_t e = text.find_first_of("eE");
  if (e == std::string::npos) return text;
  size_t end = e;
  if (text.find('.') < e) {
    while (end > 0 && text[end - 1] == '0') --end;
    if (end > 0 && text[end - 1] == '.') --end;
  }
  return text.erase(end, e - end);
}

std::string ColorText(uint32_t color) {
  StringRef hex = StringRef::Adopt(RuntimeHex(int32_t(color)));
  std::string digits(View(hex.get()));
  // Six digits at least; a color with bits above RGB keeps all of its digits.
  if (digits.size() < 6) digits.insert(0, 6 - digits.size(), '0');
  return "&h" + digits;
}

}  // namespace

void InitVariantClass() {
  if (g_variant) return;
  FrameworkClassDef def{};
  def.name = "Variant";
  def.superclass = RootClass();
  def.instanceSize = int32_t(kVariantFieldsOffset + sizeof(VariantFields));
  def.destruct = DestructVariant;
  g_variant = BuildFrameworkClass(def);
}

ClassObject* VariantClass() {
  return g_variant;
}

int32_t VarType(TessObject* variant) {
  return variant ? VariantData(variant)->type : int32_t(VariantType::kNilReference);
}

bool IsNumeric(TessObject* variant) {
  int32_t type = tess::VarType(variant);
  return type == int32_t(VariantType::kInteger) || type == int32_t(VariantType::kDouble);
}

bool IsNull(TessObject* variant) {
  return tess::VarType(variant) == int32_t(VariantType::kNil);
}

uint32_t HashVariant(TessObject* variant) {
  if (!variant) return 0;
  const VariantFields* f = VariantData(variant);
  if (f->type == int32_t(VariantType::kString)) {
    uint32_t h = 0;
    for (char c : View(StringOf(f))) {
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
      h = (h << 2) ^ uint32_t(int32_t(static_cast<signed char>(c)));
    }
    return h;
  }
  uint32_t w0 = f->words[0];
  uint32_t rotated = uint32_t(int32_t(w0) >> 16) | ((w0 & 0xFFFF) << 16);
  return rotated ^ f->words[1] ^ f->words[2];
}

bool EqualVariants(TessObject* a, TessObject* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  const VariantFields* fa = VariantData(a);
  const VariantFields* fb = VariantData(b);
  if (fa->type != fb->type) return false;
  if (fa->type == int32_t(VariantType::kString)) {
    return CompareNames(View(StringOf(fa)), View(StringOf(fb))) == 0;
  }
  return std::memcmp(fa->words, fb->words, sizeof fa->words) == 0;
}

}  // namespace tess

using namespace tess;

TessObject* intToVariant(int32_t value) {
  return NewVariant(VariantType::kInteger, uint32_t(value));
}

TessObject* doubleToVariant(double value) {
  return NewDoubleVariant(VariantType::kDouble, value);
}

TessObject* DateToVariant(TessObject* date) {
  return NewDoubleVariant(VariantType::kDate, date ? DateTotalSeconds(date) : 0.0);
}

TessObject* stringToVariant(TessString* value) {
  LockString(value);
  return NewVariant(VariantType::kString, uint32_t(uintptr_t(value)));
}

TessObject* objectToVariant(TessObject* value) {
  LockObject(value);
  return NewVariant(VariantType::kObject, uint32_t(uintptr_t(value)));
}

TessObject* booleanToVariant(int32_t value) {
  return NewVariant(VariantType::kBoolean, value != 0);
}

TessObject* colorToVariant(uint32_t value) {
  return NewVariant(VariantType::kColor, value);
}

TessObject* getNilVariant() {
  return NewVariant(VariantType::kNil);
}

int32_t variantToInt(TessObject* v) {
  return AtEntry([&] {
    const VariantFields* f = Checked(v);
    switch (VariantType(f->type)) {
      case VariantType::kInteger:
      case VariantType::kColor:
      case VariantType::kBoolean:
        return int32_t(f->words[0]);
      default:
        return TruncateToInteger(NumberOf(f));
    }
  });
}

uint32_t variantToColor(TessObject* v) {
  return uint32_t(variantToInt(v));
}

double variantToDouble(TessObject* v) {
  return AtEntry([&] { return NumberOf(Checked(v)); });
}

int32_t variantToBoolean(TessObject* v) {
  return AtEntry([&]() -> int32_t {
    const VariantFields* f = Checked(v);
    switch (VariantType(f->type)) {
      case VariantType::kInteger:
      case VariantType::kColor:
      case VariantType::kBoolean:
        return f->words[0] != 0;
      case VariantType::kDouble:
      case VariantType::kDate:
        return DoubleOf(f) != 0.0;
      case VariantType::kString: {
        std::string_view text = View(StringOf(f));
        return text == "1" || CompareNames(text, "true") == 0;
      }
      default:
        Mismatch();
    }
  });
}

TessString* variantToString(TessObject* v) {
  return AtEntry([&]() -> TessString* {
    const VariantFields* f = Checked(v);
    switch (VariantType(f->type)) {
      case VariantType::kInteger:
        return MakeString(std::to_string(int32_t(f->words[0])));
      case VariantType::kDouble:
        return MakeString(DoubleText(DoubleOf(f)));
      case VariantType::kDate: {
        TessObject* date = NewDate(DoubleOf(f));
        std::string text = DateText(date);
        UnlockObject(date);
        return MakeString(text);
      }
      case VariantType::kString:
        return Share(StringOf(f));
      case VariantType::kBoolean:
        return MakeString(f->words[0] ? "True" : "False");
      case VariantType::kColor:
        return MakeString(ColorText(f->words[0]));
      default:
        Mismatch();
    }
  });
}

TessObject* VariantToDate(TessObject* v) {
  return AtEntry([&]() -> TessObject* {
    const VariantFields* f = Checked(v);
    switch (VariantType(f->type)) {
      case VariantType::kString: {
        TessObject* date = ParseDateText(View(StringOf(f)));
        if (!date) Mismatch();
        return date;
      }
      case VariantType::kObject: {
        TessObject* object = ObjectOf(f);
        if (object && !IsA(object, DateClass())) Mismatch();
        LockObject(object);
        return object;
      }
      case VariantType::kNil:
        Mismatch();
      default:
        return NewDate(NumberOf(f));
    }
  });
}

TessObject* variantToObject(TessObject* v) {
  return AtEntry([&]() -> TessObject* {
    const VariantFields* f = Checked(v);
    switch (VariantType(f->type)) {
      case VariantType::kObject:
        LockObject(ObjectOf(f));
        return ObjectOf(f);
      case VariantType::kDate:
        return NewDate(DoubleOf(f));
      default:
        Mismatch();
    }
  });
}

int32_t VariantHash(TessObject* v) {
  return int32_t(HashVariant(v));
}

int32_t VariantEqual(TessObject* a, TessObject* b) {
  return EqualVariants(a, b);
}

int32_t VarType(TessObject* variant) {
  return tess::VarType(variant);
}
int32_t IsNumeric(TessObject* variant) {
  return tess::IsNumeric(variant) ? 1 : 0;
}
int32_t IsNull(TessObject* variant) {
  return tess::IsNull(variant) ? 1 : 0;
}
