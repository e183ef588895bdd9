// TextEncoding and TextConverter: the classes, the base to code page table
// and the conversion entry points.
#include "values/text_encoding.h"

#include <string>
#include <string_view>

#include "platform/kernel/codepage.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"
#include "values/japanese.h"

namespace tess {
namespace {

constexpr uint32_t kShiftJis = 932;
constexpr uint32_t kUtf16 = 1200;
constexpr uint32_t kUtf7 = 65000;
constexpr uint32_t kUtf8 = 65001;

constexpr uint32_t kBaseShiftJis = 0x0A01;
constexpr uint32_t kBaseEucJp = 0x0920;
constexpr uint32_t kBaseIso2022Jp = 0x0820;

ClassObject* g_textEncoding = nullptr;
ClassObject* g_textConverter = nullptr;

struct BaseCodePage {
  uint16_t base;
  uint32_t codePage;
};

// Every base with a code page; the Unicode bases choose theirs by format.
constexpr BaseCodePage kCodePages[] = {
    {0x0000, 10000},
    {0x0001, 10001},
    {0x0006, 10006},
    {0x0007, 10007},
    {0x0023, 10081},
    {0x0025, 10079},
    {0x0206, 708},
    {0x0400, 437},
    {0x0405, 737},
    {0x0406, 775},
    {0x0410, 850},
    {0x0411, 851},
    {0x0412, 852},
    {0x0413, 855},
    {0x0414, 857},
    {0x0415, 860},
    {0x0416, 861},
    {0x0417, 862},
    {0x0418, 863},
    {0x0419, 864},
    {0x041A, 865},
    {0x041B, 866},
    {0x041C, 869},
    {0x041D, 874},
    {0x0420, 932},
    {0x0421, 936},
    {0x0422, 949},
    {0x0423, 950},
    {0x0500, 1252},
    {0x0501, 1250},
    {0x0502, 1251},
    {0x0503, 1253},
    {0x0504, 1254},
    {0x0505, 1255},
    {0x0506, 1256},
    {0x0507, 1257},
    {0x0508, 1258},
    {0x0510, 1361},
    {0x0600, 1252},
    {0x0631, 936},
    {0x0820, kCodePageIso2022Jp},
    {0x0920, kCodePageEucJp},
    {0x0A01, 932},
    {0x0C01, 37},
    {0x0C02, 37},
};

bool IsUnicode(uint32_t codePage) {
  return codePage == kUtf16 || codePage == kUtf7 || codePage == kUtf8;
}
bool IsPseudo(uint32_t codePage) {
  return codePage == kCodePageEucJp || codePage == kCodePageIso2022Jp;
}
bool IsJapanese(uint32_t codePage) {
  return codePage == kShiftJis || IsPseudo(codePage);
}
bool Usable(uint32_t codePage) {
  return IsUnicode(codePage) || IsPseudo(codePage) || platform::IsValidCodePage(codePage);
}

TextEncodingObject* AsEncoding(TessObject* object) {
  return reinterpret_cast<TextEncodingObject*>(object);
}
TextConverterObject* AsConverter(TessObject* object) {
  return reinterpret_cast<TextConverterObject*>(object);
}

TextEncodingObject* CheckedEncoding(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  return AsEncoding(object);
}

TessObject* NewEncoding(uint32_t base, uint32_t variant, uint32_t format) {
  TessObject* object = CreateObject(g_textEncoding);
  TextEncodingObject* e = AsEncoding(object);
  e->base = base;
  e->variant = variant;
  e->format = format;
  return object;
}

std::string FromShiftJis(uint32_t destination, std::string_view sjis) {
  return destination == kCodePageEucJp ? japanese::ShiftJisToEucJp(sjis)
                                       : japanese::ShiftJisToIso2022Jp(sjis);
}

TessString* Convert(const TextConverterObject* c, TessString* s) {
  if (Length(s) == 0) return nullptr;
  uint32_t source = c->source;
  uint32_t destination = c->destination;
  if (source == destination) {
    return Encoding(s) == c->tag ? Share(s) : MakeString(View(s), c->tag);
  }
  std::string_view text = View(s);
  std::string sjis;
  if (IsPseudo(source)) {
    sjis = source == kCodePageEucJp ? japanese::EucJpToShiftJis(text)
                                    : japanese::Iso2022JpToShiftJis(text);
    text = sjis;
    source = kShiftJis;
    if (source == destination) return MakeString(text, c->tag);
  }
  if (source == kShiftJis && IsPseudo(destination)) {
    return MakeString(FromShiftJis(destination, text), c->tag);
  }
  if (destination == kUtf16) {
    std::u16string wide = platform::MultiByteToWide(source, text);
    return MakeString(std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2),
                      c->tag);
  }
  std::string out =
      platform::ConvertMultiByte(source, IsPseudo(destination) ? kShiftJis : destination, text);
  if (IsPseudo(destination)) out = FromShiftJis(destination, out);
  return MakeString(out, c->tag);
}

const PropertyRecord kEncodingProperties[] = {
    {0, "base", &kIntegerType, (void*)&textEncodingBaseGetter, nullptr, 0},
    {0, "variant", &kIntegerType, (void*)&textEncodingVariantGetter, nullptr, 0},
    {0, "format", &kIntegerType, (void*)&textEncodingFormatGetter, nullptr, 0},
    {0, "internetName", &kStringType, (void*)&textEncodingInternetName, nullptr, 0},
};

const ParameterRecord kText[] = {{"s", &kStringType, {}}};

const MethodRecord kConverterMethods[] = {
    Method("Convert", &kStringType, kText, 1, (void*)&textConverterConvert),
    Method("Clear", nullptr, nullptr, 0, (void*)&textConverterClear),
};

}  // namespace

void InitTextEncodingClasses() {
  if (g_textEncoding) return;
  FrameworkClassDef encoding{};
  encoding.name = "TextEncoding";
  encoding.superclass = RootClass();
  encoding.instanceSize = int32_t(sizeof(TextEncodingObject));
  encoding.properties = kEncodingProperties;
  g_textEncoding = BuildFrameworkClass(encoding);

  FrameworkClassDef converter{};
  converter.name = "TextConverter";
  converter.superclass = RootClass();
  converter.instanceSize = int32_t(sizeof(TextConverterObject));
  converter.methods = kConverterMethods;
  g_textConverter = BuildFrameworkClass(converter);
}

ClassObject* TextEncodingClass() {
  return g_textEncoding;
}
ClassObject* TextConverterClass() {
  return g_textConverter;
}

uint32_t CodePageFor(uint32_t base, uint32_t format) {
  if (base == 0x0100 || base == 0x0101 || base == 0x0103) {
    switch (format) {
      case 0:
        return kUtf16;
      case 1:
        return kUtf7;
      case 2:
        return kUtf8;
      default:
        return kCodePageNone;
    }
  }
  for (const BaseCodePage& entry : kCodePages) {
    if (entry.base == base) return entry.codePage;
  }
  return kCodePageNone;
}

uint32_t EncodingTagFor(uint32_t base, uint32_t variant, uint32_t format) {
  uint32_t codePage = CodePageFor(base, format);
  if (codePage == kUtf8) return kEncodingUtf8;
  if (codePage == kUtf16) return kEncodingUtf16;
  uint32_t value = (base & 0xFFFF) | ((variant & 0x3FF) << 16) | ((format & 0x3F) << 26);
  return value <= kEncodingAsciiTag ? kEncodingNone : value;
}

}  // namespace tess

using tess::AsConverter;
using tess::AtEntry;
using tess::CheckedEncoding;

extern "C" {

TessObject* getTextEncoding(int32_t base, int32_t variant, int32_t format) {
  return tess::NewEncoding(uint32_t(base), uint32_t(variant), uint32_t(format));
}

int32_t textEncodingBaseGetter(TessObject* encoding, uint32_t) {
  return AtEntry([&] { return int32_t(CheckedEncoding(encoding)->base); });
}
int32_t textEncodingVariantGetter(TessObject* encoding, uint32_t) {
  return AtEntry([&] { return int32_t(CheckedEncoding(encoding)->variant); });
}
int32_t textEncodingFormatGetter(TessObject* encoding, uint32_t) {
  return AtEntry([&] { return int32_t(CheckedEncoding(encoding)->format); });
}
TessString* textEncodingInternetName(TessObject*, uint32_t) {
  return nullptr;
}

TessObject* getInternetTextEncoding(TessString*) {
  return nullptr;
}
TessObject* getFontTextEncoding(TessString*) {
  return nullptr;
}

TessObject* getTextConverter(TessObject* source, TessObject* destination) {
  if (!source || !destination) return nullptr;
  const tess::TextEncodingObject* s = tess::AsEncoding(source);
  const tess::TextEncodingObject* d = tess::AsEncoding(destination);
  uint32_t from = tess::CodePageFor(s->base, s->format);
  uint32_t to = tess::CodePageFor(d->base, d->format);
  if (from == tess::kCodePageNone || to == tess::kCodePageNone) return nullptr;
  bool made = (tess::Usable(from) && tess::Usable(to)) || from == to ||
              (tess::IsJapanese(from) && tess::IsJapanese(to));
  if (!made) return nullptr;
  TessObject* object = tess::CreateObject(tess::g_textConverter);
  tess::TextConverterObject* c = AsConverter(object);
  c->source = from;
  c->destination = to;
  c->tag = tess::EncodingTagFor(d->base, d->variant, d->format);
  return object;
}

TessString* textConverterConvert(TessObject* converter, TessString* s) {
  return AtEntry([&] {
    if (!converter) tess::Raise(tess::RuntimeError::kNilObject);
    return tess::Convert(AsConverter(converter), s);
  });
}

void textConverterClear(TessObject*) {}

TessObject* guessJapaneseEncoding(TessString* s) {
  switch (tess::japanese::GuessEncoding(tess::View(s))) {
    case tess::japanese::Guess::kShiftJis:
      return tess::NewEncoding(tess::kBaseShiftJis, 0, 0);
    case tess::japanese::Guess::kEucJp:
      return tess::NewEncoding(tess::kBaseEucJp, 0, 0);
    case tess::japanese::Guess::kIso2022Jp:
      return tess::NewEncoding(tess::kBaseIso2022Jp, 0, 0);
    case tess::japanese::Guess::kUnknown:
      break;
  }
  return nullptr;
}

}  // extern "C"
