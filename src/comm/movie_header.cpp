// Movie sizes from container headers. Every read is checked against the
// bytes given; atoms and chunks that claim more than is there end the walk.
//
//   AVI   "RIFF" size "AVI " "LIST" size "hdrl" "avih" size, then the main
//         header, whose ninth and tenth little-endian words are the width
//         and height.
//   MOV/MP4  big-endian atoms {u32 size (1: a u64 follows, 0: to the end),
//         type}; moov > trak > tkhd holds the track's width and height as
//         16.16 fixed point at its end (byte 76 of version 0, 88 of
//         version 1); the first track with a size is the video track.
//   MPEG  a sequence header 00 00 01 B3 within the first 64 KB: twelve bits
//         of width, twelve of height.
#include "comm/movie_header.h"

#include <algorithm>

#include "base/byte_order.h"

namespace tess::comm {
namespace {

using Bytes = std::span<const uint8_t>;

bool Tag(Bytes b, size_t at, const char* tag) {
  return at + 4 <= b.size() && std::equal(tag, tag + 4, b.begin() + long(at));
}

bool ReadAvi(Bytes b, MovieSize* size) {
  if (!Tag(b, 0, "RIFF") || !Tag(b, 8, "AVI ") || !Tag(b, 12, "LIST") || !Tag(b, 20, "hdrl") ||
      !Tag(b, 24, "avih") || b.size() < 72)
    return false;
  size->width = int32_t(le32(b.data() + 64));
  size->height = int32_t(le32(b.data() + 68));
  return true;
}

// Calls `visit(type, body)` for each atom of `b`; false when an atom's
// size is impossible.
template <typename Visit>
bool Atoms(Bytes b, Visit visit) {
  size_t at = 0;
  while (at + 8 <= b.size()) {
    uint64_t length = be32(b.data() + at);
    size_t header = 8;
    if (length == 1) {
      if (at + 16 > b.size()) return false;
      length = (uint64_t(be32(b.data() + at + 8)) << 32) | be32(b.data() + at + 12);
      header = 16;
    } else if (length == 0) {
      length = b.size() - at;
    }
    if (length < header || length > b.size() - at) return false;
    if (visit(b.subspan(at, 8).subspan(4, 4), b.subspan(at + header, size_t(length) - header)))
      return true;
    at += size_t(length);
  }
  return true;
}

bool Is(Bytes type, const char* tag) {
  return std::equal(tag, tag + 4, type.begin());
}

bool ReadTrackHeader(Bytes tkhd, MovieSize* size) {
  if (tkhd.empty()) return false;
  size_t at = tkhd[0] == 1 ? 88 : 76;
  if (at + 8 > tkhd.size()) return false;
  int32_t width = int32_t(be32(tkhd.data() + at) >> 16);
  int32_t height = int32_t(be32(tkhd.data() + at + 4) >> 16);
  if (width <= 0 || height <= 0) return false;
  size->width = width;
  size->height = height;
  return true;
}

bool ReadQuickTime(Bytes b, MovieSize* size) {
  if (b.size() < 8 || !(Tag(b, 4, "ftyp") || Tag(b, 4, "moov") || Tag(b, 4, "mdat") ||
                        Tag(b, 4, "wide") || Tag(b, 4, "free")))
    return false;
  bool found = false;
  Atoms(b, [&](Bytes type, Bytes body) {
    if (!Is(type, "moov")) return false;
    Atoms(body, [&](Bytes t, Bytes trak) {
      if (!Is(t, "trak")) return false;
      Atoms(trak, [&](Bytes h, Bytes tkhd) {
        found = Is(h, "tkhd") && ReadTrackHeader(tkhd, size);
        return found;
      });
      return found;
    });
    return true;
  });
  return true;  // a QuickTime file without a video track is a movie of no size
}

bool ReadMpeg(Bytes b, MovieSize* size) {
  if (b.size() < 4 || b[0] != 0 || b[1] != 0 || b[2] != 1 || (b[3] != 0xB3 && b[3] != 0xBA))
    return false;
  size_t end = std::min<size_t>(b.size(), 65536);
  for (size_t at = 0; at + 7 <= end; ++at) {
    if (b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 && b[at + 3] == 0xB3) {
      size->width = int32_t((b[at + 4] << 4) | (b[at + 5] >> 4));
      size->height = int32_t(((b[at + 5] & 0x0F) << 8) | b[at + 6]);
      break;
    }
  }
  return true;
}

}  // namespace

bool ReadMovieSize(std::span<const uint8_t> bytes, MovieSize* size) {
  *size = MovieSize{};
  return ReadAvi(bytes, size) || ReadQuickTime(bytes, size) || ReadMpeg(bytes, size);
}

}  // namespace tess::comm
