// The Clipboard class over the host clipboard. An object opens the
// clipboard on its first operation and keeps it open until Close or its
// destruction; the first write while open empties it once, so several
// writes before Close stand side by side. Text is format 1 (NUL-ended),
// named data a registered format holding the bytes and a NUL, pictures a
// device-independent bitmap (format 8): a 40-byte header and 32-bit rows,
// bottom-up. A clipboard that cannot be opened reads empty and ignores
// writes.
#include <cstring>
#include <string>
#include <vector>

#include "graphics/picture.h"
#include "platform/gdi/wingdi.h"
#include "platform/user/clipboard.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/clipboard_drag.h"

namespace tess::ui {

namespace {

namespace host = tess::platform;

struct ClipboardFields {
  ObjectHeader header;
  uint8_t open;
  uint8_t emptied;
};

constexpr int32_t kMaxDibSide = 16384;

ClassObject* g_clipboard = nullptr;
const TypeDescriptor kPictureType{0, "Picture", {}};

ClipboardFields* FieldsOfClipboard(TessObject* o) {
  return o && IsA(o, g_clipboard) ? reinterpret_cast<ClipboardFields*>(o) : nullptr;
}

bool Open(ClipboardFields* c) {
  if (!c) return false;
  if (!c->open) {
    if (!host::OpenClipboard(nullptr)) return false;
    c->open = 1;
  }
  return true;
}

void Put(TessObject* object, host::UINT format, host::HGLOBAL block) {
  ClipboardFields* c = FieldsOfClipboard(object);
  if (!block) return;
  if (!Open(c)) {
    host::GlobalFree(block);
    return;
  }
  if (!c->emptied) {
    host::EmptyClipboard();
    c->emptied = 1;
  }
  if (!host::SetClipboardData(format, block)) host::GlobalFree(block);
}

host::HGLOBAL TextBlock(std::string_view bytes) {
  host::HGLOBAL h = host::GlobalAlloc(host::GMEM_MOVEABLE, bytes.size() + 1);
  auto* p = static_cast<char*>(host::GlobalLock(h));
  if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
  p[bytes.size()] = 0;
  host::GlobalUnlock(h);
  return h;
}

TessString* TextOf(TessObject* object, host::UINT format) {
  if (!format || !Open(FieldsOfClipboard(object))) return nullptr;
  host::HGLOBAL h = host::GetClipboardData(format);
  if (!h) return nullptr;
  const char* p = static_cast<const char*>(host::GlobalLock(h));
  std::string_view text(p, strnlen(p, host::GlobalSize(h)));
  TessString* s = text.empty() ? nullptr : MakeString(text);
  host::GlobalUnlock(h);
  return s;
}

bool Available(TessObject* object, host::UINT format) {
  return format && Open(FieldsOfClipboard(object)) && host::IsClipboardFormatAvailable(format);
}

host::UINT NamedFormat(TessString* name) {
  std::string n(View(name));
  return n.empty() ? 0 : host::RegisterClipboardFormat(n.c_str());
}

void Construct(TessObject* object, ClassObject*) {
  auto* c = reinterpret_cast<ClipboardFields*>(object);
  c->open = c->emptied = 0;
}

void Destruct(TessObject* object, ClassObject*) {
  clipboardClose(object);
}

const PropertyRecord kProperties[] = {
    {0, "Text", &kStringType, (void*)&clipboardTextGetter, (void*)&clipboardTextSetter, 0},
    {0, "Picture", &kPictureType, (void*)&clipboardPictureGetter, (void*)&clipboardPictureSetter,
     0},
};
const ParameterRecord kText[] = {{"text", &kStringType, {}}};
const ParameterRecord kType[] = {{"macType", &kStringType, {}}};
const ParameterRecord kDataType[] = {{"data", &kStringType, {}}, {"macType", &kStringType, {}}};
const MethodRecord kMethods[] = {
    MethodRecord{"SetText", nullptr, kText, 1, {(void*)&clipboardSetText}, {}},
    MethodRecord{"Close", nullptr, {}, 0, {(void*)&clipboardClose}, {}},
    MethodRecord{"TextAvailable", &kBooleanType, {}, 0, {(void*)&clipboardTextAvailable}, {}},
    MethodRecord{"PictureAvailable", &kBooleanType, {}, 0, {(void*)&clipboardPictureAvailable}, {}},
    MethodRecord{
        "MacDataAvailable", &kBooleanType, kType, 1, {(void*)&clipboardMacDataAvailable}, {}},
    MethodRecord{"MacData", &kStringType, kType, 1, {(void*)&clipboardMacData}, {}},
    MethodRecord{"AddMacData", nullptr, kDataType, 2, {(void*)&clipboardAddMacData}, {}},
};

}  // namespace

std::vector<uint8_t> DibFromPicture(TessObject* picture) {
  graphics::PixelImage image;
  graphics::PictureData* p = graphics::PictureOf(picture);
  if (!p || !p->bitmap || !graphics::PixelImageFromPicture(picture, &image)) return {};
  host::BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = image.width;
  h.biHeight = image.height;  // bottom-up
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biCompression = host::BI_RGB;
  h.biSizeImage = uint32_t(image.width) * uint32_t(image.height) * 4;
  std::vector<uint8_t> dib(sizeof h + h.biSizeImage);
  std::memcpy(dib.data(), &h, sizeof h);
  uint8_t* out = dib.data() + sizeof h;
  for (int32_t y = image.height - 1; y >= 0; --y) {
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t px = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
      *out++ = uint8_t(px);
      *out++ = uint8_t(px >> 8);
      *out++ = uint8_t(px >> 16);
      *out++ = uint8_t(px >> 24);
    }
  }
  return dib;
}

TessObject* PictureFromDib(const uint8_t* bytes, size_t size) {
  host::BITMAPINFOHEADER h{};
  if (!bytes || size < sizeof h) return nullptr;
  std::memcpy(&h, bytes, sizeof h);
  if (h.biSize < sizeof h || h.biSize > size || h.biPlanes != 1 ||
      h.biCompression != host::BI_RGB || (h.biBitCount != 24 && h.biBitCount != 32) ||
      h.biWidth <= 0 || h.biWidth > kMaxDibSide || h.biHeight == 0 || h.biHeight < -kMaxDibSide ||
      h.biHeight > kMaxDibSide) {
    return nullptr;
  }
  const bool topDown = h.biHeight < 0;
  const int32_t width = h.biWidth, height = topDown ? -h.biHeight : h.biHeight;
  const size_t bpp = h.biBitCount / 8;
  const size_t stride = (size_t(width) * bpp + 3) & ~size_t(3);
  const uint8_t* rows = bytes + h.biSize;
  if ((size - h.biSize) / stride < size_t(height)) return nullptr;
  graphics::PixelImage image;
  image.width = width;
  image.height = height;
  image.depth = 32;
  image.pixels.resize(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = rows + size_t(topDown ? y : height - 1 - y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* px = row + size_t(x) * bpp;
      image.pixels[size_t(y) * size_t(width) + size_t(x)] =
          0xFF000000u | uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
    }
  }
  return graphics::PictureFromPixelImage(image);
}

void InitClipboardClass() {
  if (g_clipboard) return;
  FrameworkClassDef def{};
  def.name = "Clipboard";
  def.superclass = RootClass();
  def.instanceSize = sizeof(ClipboardFields);
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_clipboard = BuildFrameworkClass(def);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;
namespace host = tess::platform;

TessString* clipboardTextGetter(TessObject* clipboard, uint32_t) {
  return TextOf(clipboard, host::CF_TEXT);
}

void clipboardTextSetter(TessObject* clipboard, uint32_t, TessString* text) {
  clipboardSetText(clipboard, text);
}

void clipboardSetText(TessObject* clipboard, TessString* text) {
  if (!FieldsOfClipboard(clipboard)) return;
  Put(clipboard, host::CF_TEXT, TextBlock(View(text)));
}

void clipboardClose(TessObject* clipboard) {
  ClipboardFields* c = FieldsOfClipboard(clipboard);
  if (!c || !c->open) return;
  host::CloseClipboard();
  c->open = c->emptied = 0;
}

int32_t clipboardTextAvailable(TessObject* clipboard) {
  return Available(clipboard, host::CF_TEXT) ? 1 : 0;
}

int32_t clipboardMacDataAvailable(TessObject* clipboard, TessString* macType) {
  return Available(clipboard, NamedFormat(macType)) ? 1 : 0;
}

TessString* clipboardMacData(TessObject* clipboard, TessString* macType) {
  return TextOf(clipboard, NamedFormat(macType));
}

void clipboardAddMacData(TessObject* clipboard, TessString* data, TessString* macType) {
  host::UINT format = NamedFormat(macType);
  if (!format || !FieldsOfClipboard(clipboard)) return;
  Put(clipboard, format, TextBlock(View(data)));
}

int32_t clipboardPictureAvailable(TessObject* clipboard) {
  return Available(clipboard, host::CF_DIB) ? 1 : 0;
}

TessObject* clipboardPictureGetter(TessObject* clipboard, uint32_t) {
  if (!Open(FieldsOfClipboard(clipboard))) return nullptr;
  host::HGLOBAL h = host::GetClipboardData(host::CF_DIB);
  if (!h) return nullptr;
  auto* bytes = static_cast<const uint8_t*>(host::GlobalLock(h));
  TessObject* picture = PictureFromDib(bytes, host::GlobalSize(h));
  host::GlobalUnlock(h);
  return picture;
}

void clipboardPictureSetter(TessObject* clipboard, uint32_t, TessObject* picture) {
  if (!FieldsOfClipboard(clipboard)) return;
  std::vector<uint8_t> dib = DibFromPicture(picture);
  if (dib.empty()) return;  // nil, or a vector picture: nothing a bitmap format holds
  host::HGLOBAL h = host::GlobalAlloc(host::GMEM_MOVEABLE, dib.size());
  std::memcpy(host::GlobalLock(h), dib.data(), dib.size());
  host::GlobalUnlock(h);
  Put(clipboard, host::CF_DIB, h);
}
