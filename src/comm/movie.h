// The Movie class: a movie file's frame size, read from its container
// header (movie_header.h). The runtime has no movie decoder: MoviePlayer
// refuses to play (ui/movie_player_control.cpp), so a Movie only tells its
// size.
#pragma once

#include <cstdint>
#include <span>

#include "comm/movie_header.h"
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

void InitMovieClass();
ClassObject* MovieClass();

// A Movie (count 1) from a movie file's bytes; null when they are not one.
TessObject* NewMovie(std::span<const uint8_t> bytes);

}  // namespace tess::comm
