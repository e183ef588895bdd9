#include "comm/media.h"

#include <memory>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "comm/movie.h"
#include "comm/sound.h"
#include "files/folder_item.h"
#include "platform/winmm/mmsystem.h"
#include "runtime/image_data.h"
#include "runtime/project_items.h"
#include "tessera/runtime.h"

namespace tess::comm {
namespace {

// Larger files are refused rather than read whole into memory.
constexpr uint64_t kMaxMediaFile = 256u << 20;
constexpr int32_t kErrorNotEnoughMemory = 8;

// The bytes an item record counts, or empty when they run past the data.
std::span<const uint8_t> ItemBytes(const uint8_t* record) {
  std::span<const uint8_t> data = ImageDataFrom(record + 4);
  if (data.size() < 4) return {};
  uint32_t count = le32(data.data());
  if (count > data.size() - 4) return {};
  return data.subspan(4, count);
}

TessObject* BuildSound(const uint8_t* record) {
  std::string error;
  return NewSound(ItemBytes(record), &error);
}

TessObject* BuildMovie(const uint8_t* record) {
  return NewMovie(ItemBytes(record));
}

// Reads the whole file a FolderItem names; false with its LastErrorCode set.
bool ReadWhole(TessObject* item, std::vector<uint8_t>* bytes) {
  auto* f = reinterpret_cast<FolderItemObject*>(item);
  if (!f->item) return false;
  uint32_t error = 0;
  auto stream = f->item->Open(files::OpenMode::kRead, &error);
  f->lastError = int32_t(error);
  if (!stream) return false;
  uint64_t length = stream->Length();
  if (length > kMaxMediaFile) {
    f->lastError = kErrorNotEnoughMemory;
    return false;
  }
  bytes->resize(size_t(length));
  size_t done = 0;
  bool ok = stream->Read(bytes->data(), bytes->size(), &done);
  bytes->resize(done);
  return ok;
}

}  // namespace

void InitMedia() {
  InitSoundClass();
  InitMovieClass();
  SetProjectItemBuilder(kSoundItem, &BuildSound);
  SetProjectItemBuilder(kMovieItem, &BuildMovie);
}

void StopAllMedia() {
  platform::CloseAllMediaOutput();
}

}  // namespace tess::comm

extern "C" {

TessObject* FolderItemOpenSound(TessObject* item) {
  std::vector<uint8_t> bytes;
  if (!item || !tess::comm::ReadWhole(item, &bytes)) return nullptr;
  std::string error;
  return tess::comm::NewSound(bytes, &error);
}

TessObject* FolderItemOpenMovie(TessObject* item) {
  std::vector<uint8_t> bytes;
  if (!item || !tess::comm::ReadWhole(item, &bytes)) return nullptr;
  return tess::comm::NewMovie(bytes);
}

}  // extern "C"
