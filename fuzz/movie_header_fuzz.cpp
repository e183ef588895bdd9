// Fuzz target: movie container headers. The input is the file's bytes. A
// header either gives a size or is refused; nothing may read past the
// bytes (ASan watches), and a refusal leaves the size at 0 by 0.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "comm/movie_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tess::comm::MovieSize movie{-1, -1};
  bool known = tess::comm::ReadMovieSize(std::span<const uint8_t>(data, size), &movie);
  if (!known && (movie.width != 0 || movie.height != 0)) std::abort();
  return 0;
}
