// A movie file's frame size from its container header: AVI, QuickTime and
// MPEG-4, MPEG-1/2 elementary or program streams. Free of the object
// layout, so it also builds natively for its fuzz target.
#pragma once

#include <cstdint>
#include <span>

namespace tess::comm {

struct MovieSize {
  int32_t width = 0, height = 0;
};

// False when the bytes are not a movie container this runtime knows; a
// known container without a frame size gives 0 by 0.
bool ReadMovieSize(std::span<const uint8_t> bytes, MovieSize* size);

}  // namespace tess::comm
