// Sounds and movies as the rest of the runtime meets them: their classes,
// the builders of project item kinds 3 (movies) and 6 (sounds), and the
// FolderItem openers. An item record is u32 kind, u32 byte count, then the
// bytes of the file.
#pragma once

#include <cstdint>
#include <span>

namespace tess::comm {

inline constexpr uint32_t kMovieItem = 3, kSoundItem = 6;

// Builds the Sound and Movie classes and registers the item builders.
void InitMedia();

// Stops every sound and note that is playing (the end of the run).
void StopAllMedia();

}  // namespace tess::comm
