// Movie frame sizes from container headers built by hand, and headers cut
// or forged so that a read would leave the bytes.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "comm/movie_header.h"
#include "test_support.h"

namespace tess::comm {
namespace {

using test::AppendBe32;
using test::AppendLe32;

// Movie headers, built by hand.
std::vector<uint8_t> Avi(uint32_t width, uint32_t height) {
  std::vector<uint8_t> b;
  for (const char* tag : {"RIFF", "\0\0\0\0", "AVI ", "LIST", "\0\0\0\0", "hdrl", "avih"})
    b.insert(b.end(), tag, tag + 4);
  AppendLe32(b, 56);
  for (int i = 0; i < 8; ++i) AppendLe32(b, 0);
  AppendLe32(b, width);
  AppendLe32(b, height);
  return b;
}

std::vector<uint8_t> Atom(const char* type, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> b;
  AppendBe32(b, uint32_t(8 + body.size()));
  b.insert(b.end(), type, type + 4);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

std::vector<uint8_t> TrackHeader(uint8_t version, uint32_t width, uint32_t height) {
  std::vector<uint8_t> b(version == 1 ? 88 : 76, 0);
  b[0] = version;
  AppendBe32(b, width << 16);
  AppendBe32(b, height << 16);
  return b;
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> b;
  for (const auto& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

TEST(MovieHeader, SizesFromContainerHeaders) {
  std::vector<uint8_t> avi = Avi(1, 1);
  std::vector<uint8_t> audioTrack = Atom("trak", Atom("tkhd", TrackHeader(0, 0, 0)));
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool movie;
    int32_t width, height;
  } cases[] = {
      {"avi", Avi(320, 240), true, 320, 240},
      {"mov",
       Join({Atom("ftyp", {'q', 't', ' ', ' '}),
             Atom("moov",
                  Join({audioTrack, Atom("trak", Atom("tkhd", TrackHeader(0, 640, 480)))}))}),
       true, 640, 480},
      {"mp4 version 1",
       Join({Atom("ftyp", {'i', 's', 'o', 'm'}),
             Atom("moov", Atom("trak", Atom("tkhd", TrackHeader(1, 1920, 1080))))}),
       true, 1920, 1080},
      {"mov without video", Join({Atom("ftyp", {'q', 't'}), Atom("moov", audioTrack)}), true, 0, 0},
      {"mpeg", {0, 0, 1, 0xBA, 9, 9, 0, 0, 1, 0xB3, 0x16, 0x01, 0x20, 0x13}, true, 352, 288},
      {"truncated avi", std::vector<uint8_t>(avi.begin(), avi.begin() + 40), false, 0, 0},
      {"atom past the end", Join({Atom("ftyp", {}), {0, 0, 0x10, 0, 'm', 'o', 'o', 'v'}}), true, 0,
       0},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, false, 0, 0},
      {"empty", {}, false, 0, 0},
  };
  for (const Case& c : cases) {
    MovieSize size{-1, -1};
    EXPECT_EQ(ReadMovieSize(c.bytes, &size), c.movie) << c.name;
    EXPECT_EQ(size.width, c.width) << c.name;
    EXPECT_EQ(size.height, c.height) << c.name;
  }
}

}  // namespace
}  // namespace tess::comm
