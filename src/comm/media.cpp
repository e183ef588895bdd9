#include "comm/media.h"

#include <memory>
#include <string>
#include <vector>

#include "comm/movie.h"
#include "comm/sound.h"
#include "files/folder_item.h"
#include "platform/winmm/mmsystem.h"
#include "runtime/project_items.h"
#include "tessera/runtime.h"

namespace tess::comm {
namespace {

// Larger files are refused rather than read whole into memory.
constexpr uint64_t kMaxMediaFile = 256u << 20;

TessObject* BuildSound(const uint8_t* record) {
  std::string error;
  return NewSound(ProjectItemFileBytes(record), &error);
}

TessObject* BuildMovie(const uint8_t* record) {
  return NewMovie(ProjectItemFileBytes(record));
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
  if (!item || !tess::ReadWholeItem(item, tess::comm::kMaxMediaFile, &bytes)) return nullptr;
  std::string error;
  return tess::comm::NewSound(bytes, &error);
}

TessObject* FolderItemOpenMovie(TessObject* item) {
  std::vector<uint8_t> bytes;
  if (!item || !tess::ReadWholeItem(item, tess::comm::kMaxMediaFile, &bytes)) return nullptr;
  return tess::comm::NewMovie(bytes);
}

}  // extern "C"
