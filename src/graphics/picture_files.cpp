#include "graphics/picture_files.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "base/byte_order.h"
#include "files/folder_item.h"
#include "files/host_item.h"
#include "graphics/graphics.h"
#include "graphics/picture.h"
#include "graphics/shapes.h"
#include "platform/comdlg/commdlg.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/project_items.h"
#include "runtime/raise.h"
#include "tessera/runtime.h"

namespace pf = tess::platform;

namespace tess::graphics {
namespace {

constexpr uint32_t kPictureItem = 1;
// Larger files are refused rather than read whole into memory; the readers
// bound the decoded size on their own.
constexpr uint64_t kMaxPictureFile = 256u << 20;
constexpr int32_t kErrorInvalidData = 13;
constexpr int kJpegQuality = 90;  // SaveAsJPEG and the JPEG columns
// SaveAsPicture's type codes besides 0.
constexpr int32_t kFormatBmp = 0x424D5066;   // 'BMPf'
constexpr int32_t kFormatPng = 0x504E4766;   // 'PNGf'
constexpr int32_t kFormatJpeg = 0x4A504547;  // 'JPEG'

TessObject* BuildPicture(const uint8_t* record) {
  std::string error;
  return PictureFromFileBytes(ProjectItemFileBytes(record), &error);
}

FolderItemObject& FolderOf(TessObject* item) {
  if (!item) Raise(RuntimeError::kNilObject);
  return *reinterpret_cast<FolderItemObject*>(item);
}

// The extension of the item's name without its dot, lower case.
std::string ExtensionOf(const FolderItemObject& f) {
  std::string name = f.item ? f.item->Name() : std::string();
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

[[noreturn]] void Unsupported(const std::string& message) {
  ThrowNew(FindClassByName("UnsupportedFormatException"), message.c_str());
}

// A picture decoded from the item's file; nil with LastErrorCode set for a
// file that cannot be read or is damaged. A file in no format we read at all
// raises, as the class defines.
TessObject* OpenPicture(TessObject* item) {
  FolderItemObject& f = FolderOf(item);
  std::vector<uint8_t> bytes;
  if (!ReadWholeItem(item, kMaxPictureFile, &bytes)) return nullptr;
  if (SniffPictureFormat(bytes) == PictureFormat::kUnknown)
    Unsupported("OpenAsPicture doesn't support format " + ExtensionOf(f) + " in Windows");
  std::string error;
  TessObject* picture = PictureFromFileBytes(bytes, &error);
  if (!picture) f.lastError = kErrorInvalidData;
  return picture;
}

void SavePicture(TessObject* item, TessObject* picture, PictureFormat format, int quality) {
  FolderItemObject& f = FolderOf(item);
  if (!picture) Raise(RuntimeError::kNilObject);
  std::vector<uint8_t> bytes;
  std::string error;
  if (!PictureFileBytes(picture, format, quality, &bytes, &error)) {
    f.lastError = kErrorInvalidData;
    return;
  }
  WriteWholeItem(item, bytes);
}

// Format 0 writes what the name's extension asks for when we write it, and
// the platform's own BMP otherwise.
PictureFormat SaveFormat(const FolderItemObject& f, int32_t format) {
  switch (format) {
    case 0: {
      PictureFormat byName = PictureFormatForExtension(ExtensionOf(f));
      return byName == PictureFormat::kPng || byName == PictureFormat::kJpeg ? byName
                                                                             : PictureFormat::kBmp;
    }
    case kFormatBmp:
      return PictureFormat::kBmp;
    case kFormatPng:
      return PictureFormat::kPng;
    case kFormatJpeg:
      return PictureFormat::kJpeg;
    default:
      Unsupported("SaveAsPicture doesn't support format " + std::to_string(format) +
                  " in Windows.");
  }
}

// A bitmap of a vector picture's shapes on white, at the picture's size.
ObjectRef Rendered(const PictureData& p) {
  ObjectRef bitmap = ObjectRef::Adopt(NewPicture(p.width, p.height, 32));
  PictureData* b = PictureOf(bitmap.get());
  if (!b || !b->dc) return {};
  pf::RECT all{0, 0, p.width, p.height};
  pf::HBRUSH white = pf::CreateSolidBrush(0xFFFFFF);
  pf::FillRect(b->dc, &all, white);
  pf::DeleteObject(white);
  if (p.objects) DrawShapeObject(b->dc, p.objects, 0, 0);
  return bitmap;
}

// A packed DIB (information header, colours, bits) as a BMP file: the file
// header in front, its pixel offset past the header's colours and masks.
// Empty when the header does not fit the bytes.
std::vector<uint8_t> BmpFileOfPackedDib(std::span<const uint8_t> dib) {
  constexpr uint32_t kFileHeader = 14, kCoreHeader = 12, kInfoHeader = 40, kBitFields = 3;
  uint32_t info = le32(dib.data());
  if (info < kCoreHeader || info > dib.size()) return {};
  uint64_t colours = 0;
  if (info == kCoreHeader) {
    uint32_t bits = le16(&dib[10]);
    colours = bits <= 8 ? 3ull << bits : 0;
  } else if (info >= kInfoHeader) {
    uint32_t bits = le16(&dib[14]), compression = le32(&dib[16]);
    uint32_t used = le32(&dib[32]);
    colours = 4ull * (used ? used : bits <= 8 ? 1u << bits : 0);
    if (compression == kBitFields && info == kInfoHeader) colours += 12;
  } else {
    return {};
  }
  uint64_t offset = kFileHeader + info + colours;
  if (offset > kFileHeader + uint64_t(dib.size())) return {};
  std::vector<uint8_t> file(kFileHeader + dib.size());
  uint32_t total = uint32_t(file.size());
  file[0] = 'B';
  file[1] = 'M';
  for (int i = 0; i < 4; ++i) {
    file[2 + i] = uint8_t(total >> (8 * i));
    file[10 + i] = uint8_t(offset >> (8 * i));
  }
  std::copy(dib.begin(), dib.end(), file.begin() + kFileHeader);
  return file;
}

}  // namespace

void InitPictureFiles() {
  SetProjectItemBuilder(kPictureItem, &BuildPicture);
}

TessObject* PictureFromFileBytes(std::span<const uint8_t> bytes, std::string* error) {
  PixelImage image;
  if (!DecodePicture(bytes, &image, error)) return nullptr;
  TessObject* picture = PictureFromPixelImage(image);
  if (!picture) *error = "the picture is too large to hold";
  return picture;
}

bool PictureFileBytes(TessObject* picture, PictureFormat format, int quality,
                      std::vector<uint8_t>* out, std::string* error) {
  PictureData* p = PictureOf(picture);
  if (!p) {
    *error = "not a picture";
    return false;
  }
  ObjectRef drawn;
  if (!p->dc) {
    drawn = Rendered(*p);
    picture = drawn.get();
  }
  PixelImage image;
  if (!picture || !PixelImageFromPicture(picture, &image)) {
    *error = "the picture has no pixels to write";
    return false;
  }
  return EncodePicture(image, format, quality, out, error);
}

TessObject* DatabasePictureFromBytes(const std::string& bytes, bool) {
  std::string error;
  return PictureFromFileBytes(
      std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), &error);
}

bool DatabasePictureToBytes(TessObject* picture, bool jpeg, std::string* bytes) {
  std::vector<uint8_t> out;
  std::string error;
  if (!PictureFileBytes(picture, jpeg ? PictureFormat::kJpeg : PictureFormat::kBmp, kJpegQuality,
                        &out, &error))
    return false;
  bytes->assign(out.begin(), out.end());
  return true;
}

}  // namespace tess::graphics

using namespace tess;
using namespace tess::graphics;

extern "C" {

TessObject* FolderItemOpenImage(TessObject* item) {
  return AtEntry([&] { return OpenPicture(item); });
}

// Vector files (metafiles) are not read; a bitmap file opens as a vector
// picture of its size holding the bitmap as a pixmap shape, so the result
// has the Objects the caller asked for.
TessObject* FolderItemOpenVectorImage(TessObject* item) {
  return AtEntry([&]() -> TessObject* {
    ObjectRef bitmap = ObjectRef::Adopt(OpenPicture(item));
    PictureData* b = PictureOf(bitmap.get());
    if (!b) return nullptr;
    TessObject* vector = NewPicture(b->width, b->height, 0);
    if (!vector) return nullptr;
    RecordPicture(PictureOf(vector)->objects, bitmap.get(), 0, 0, b->width);
    return vector;
  });
}

void FolderItemSaveAsPicture(TessObject* item, TessObject* picture, int32_t format) {
  AtEntry([&] {
    PictureFormat chosen = SaveFormat(FolderOf(item), format);
    SavePicture(item, picture, chosen, kJpegQuality);
  });
}

void FolderItemSaveAsJPEG(TessObject* item, TessObject* picture) {
  AtEntry([&] { SavePicture(item, picture, PictureFormat::kJpeg, kJpegQuality); });
}

// Metafiles (".emf", ".wmf") are not written: choosing such a name raises
// UnsupportedFormatException rather than writing a bitmap under it.
void exportPicture(TessObject* picture) {
  AtEntry([&] {
    if (!picture) Raise(RuntimeError::kNilObject);
    static const char kFilter[] =
        "BMP Image (*.bmp)\0*.bmp\0PNG Image (*.png)\0*.png\0JPEG Image (*.jpg)\0*.jpg;*.jpeg\0";
    char path[256] = "Untitled Image";
    pf::OPENFILENAMEA ofn{};
    ofn.hwndOwner = pf::GetActiveWindow();
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Export Image As:";
    ofn.lpstrDefExt = "bmp";
    ofn.Flags = pf::OFN_PATHMUSTEXIST | pf::OFN_OVERWRITEPROMPT | pf::OFN_HIDEREADONLY;
    if (!pf::GetSaveFileName(&ofn)) return;
    uint32_t error = 0;
    ObjectRef item = ObjectRef::Adopt(NewFolderItem(files::MakeHostItem(path, false, &error)));
    if (!item.get()) return;
    std::string ext = ExtensionOf(FolderOf(item.get()));
    PictureFormat format = PictureFormatForExtension(ext);
    if (format != PictureFormat::kBmp && format != PictureFormat::kPng &&
        format != PictureFormat::kJpeg)
      Unsupported("exportPicture doesn't support format " + ext + " in Windows");
    SavePicture(item.get(), picture, format, kJpegQuality);
  });
}

TessObject* RuntimePictureReference(int32_t index) {
  ObjectRef object = ObjectRef::Adopt(RuntimeProjectObject(index));
  return IsPicture(object.get()) ? object.Release() : nullptr;
}

// The bytes are checked by the BMP reader as a file's would be: a header
// that claims more than `bytes` holds is refused, never read past.
TessObject* TessBuildPictureFromDIB(const void* dib, uint32_t bytes) {
  return AtEntry([&]() -> TessObject* {
    if (!dib || bytes < 12 || bytes > kMaxPictureFile) return nullptr;
    std::span<const uint8_t> packed(static_cast<const uint8_t*>(dib), bytes);
    std::vector<uint8_t> file = BmpFileOfPackedDib(packed);
    std::string error;
    return file.empty() ? nullptr : PictureFromFileBytes(file, &error);
  });
}

TessObject* pluginPictureGraphicsGetter(TessObject* picture) {
  return pictureGraphicsGetter(picture, 0);
}

// A picture keeps no copy of its pixels besides its bitmap, which plug-ins
// and Graphics share: there is nothing to refresh.
void TessPictureClearCache(TessObject*) {}

}  // extern "C"
