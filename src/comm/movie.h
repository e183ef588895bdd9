// The Movie class: a movie file's frame size, read from its container
// header (AVI, QuickTime and MPEG-4, MPEG-1/2 elementary or program
// streams). The runtime has no movie decoder: MoviePlayer refuses to play
// (ui/movie_player_control.cpp), so a Movie only tells its size.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/object_layout.h"

namespace tess::comm {

struct MovieObject {
  ObjectHeader header;
  int32_t width, height;  // the frame size; 0 when the header gives none
};

#if defined(__i386__)
static_assert(offsetof(MovieObject, width) == 16);
static_assert(offsetof(MovieObject, height) == 20);
#endif

struct MovieSize {
  int32_t width = 0, height = 0;
};

// The frame size of a movie file's bytes; false when they are not a movie
// container this runtime knows.
bool ReadMovieSize(std::span<const uint8_t> bytes, MovieSize* size);

void InitMovieClass();
ClassObject* MovieClass();

// A Movie (count 1) from a movie file's bytes; null when they are not one.
TessObject* NewMovie(std::span<const uint8_t> bytes);

}  // namespace tess::comm
