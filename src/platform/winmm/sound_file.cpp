// Sound file decoding through libsndfile, reading from memory: whatever
// container and codec libsndfile knows (WAV, AIFF, FLAC, Ogg Vorbis, ...)
// becomes 16-bit PCM. More than two channels are mixed down: even channels
// to the left, odd ones to the right, averaged. A sound is limited to 2^28
// samples (512 MB decoded). libsndfile, with the codecs it pulls in, is
// loaded by the first sound decoded; without it no sound file is readable.
#include <sndfile.h>

#include <algorithm>
#include <cstring>

#include "platform/kernel/library.h"
#include "platform/winmm/mmsystem.h"

namespace tess::platform {
namespace {

#define SNDFILE_ROUTINES(R) \
  R(sf_open_virtual)        \
  R(sf_strerror)            \
  R(sf_close)               \
  R(sf_readf_short)
struct Sndfile {
  static constexpr const char* kLibrary = "libsndfile.so.1";
  TESS_HOST_ROUTINES(SNDFILE_ROUTINES)
};

constexpr size_t kMaxSamples = size_t(1) << 28;
constexpr sf_count_t kPieceFrames = 16384;

struct Reader {
  std::span<const uint8_t> bytes;
  sf_count_t at = 0;
};

sf_count_t Length(void* user) {
  return sf_count_t(static_cast<Reader*>(user)->bytes.size());
}

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  auto* r = static_cast<Reader*>(user);
  sf_count_t base = whence == SEEK_CUR ? r->at : whence == SEEK_END ? Length(user) : 0;
  sf_count_t to = base + offset;
  if (to < 0 || to > Length(user)) return -1;
  r->at = to;
  return to;
}

sf_count_t Read(void* out, sf_count_t count, void* user) {
  auto* r = static_cast<Reader*>(user);
  sf_count_t n = std::clamp<sf_count_t>(Length(user) - r->at, 0, std::max<sf_count_t>(count, 0));
  std::memcpy(out, r->bytes.data() + r->at, size_t(n));
  r->at += n;
  return n;
}

sf_count_t Write(const void*, sf_count_t, void*) {
  return 0;
}

sf_count_t Tell(void* user) {
  return static_cast<Reader*>(user)->at;
}

}  // namespace

bool DecodeSound(std::span<const uint8_t> bytes, DecodedSound* out, std::string* error) {
  const Sndfile* sf = HostRoutines<Sndfile>();
  if (!sf) {
    *error = std::string("sound files cannot be read: ") + Sndfile::kLibrary + " is not installed";
    return false;
  }
  Reader reader{bytes};
  SF_VIRTUAL_IO io{&Length, &Seek, &Read, &Write, &Tell};
  SF_INFO info{};
  SNDFILE* file = sf->sf_open_virtual(&io, SFM_READ, &info, &reader);
  if (!file) {
    *error = std::string("not a sound file: ") + sf->sf_strerror(nullptr);
    return false;
  }
  struct Close {
    const Sndfile* sf;
    SNDFILE* f;
    ~Close() { sf->sf_close(f); }
  } close{sf, file};
  if (info.channels < 1 || info.channels > 1024 || info.samplerate < 1 ||
      info.samplerate > 384000) {
    *error = "unsupported sound: channel count or rate out of range";
    return false;
  }
  // Read in pieces rather than trusting the header's frame count, which a
  // damaged file may state far beyond what its bytes hold.
  const auto channels = size_t(info.channels);
  std::vector<int16_t> raw;
  std::vector<int16_t> piece(kPieceFrames * channels);
  for (;;) {
    sf_count_t got = sf->sf_readf_short(file, piece.data(), kPieceFrames);
    if (got <= 0) break;
    if (raw.size() + size_t(got) * channels > kMaxSamples) {
      *error = "unsupported sound: longer than the runtime plays";
      return false;
    }
    raw.insert(raw.end(), piece.begin(), piece.begin() + long(size_t(got) * channels));
  }
  sf_count_t frames = sf_count_t(raw.size() / channels);
  int outChannels = std::min(info.channels, 2);
  out->format = WAVEFORMATEX{WAVE_FORMAT_PCM,
                             WORD(outChannels),
                             DWORD(info.samplerate),
                             DWORD(info.samplerate) * DWORD(outChannels) * 2,
                             WORD(outChannels * 2),
                             16,
                             0};
  if (info.channels <= 2) {
    out->samples = std::move(raw);
    return true;
  }
  out->samples.assign(size_t(frames) * 2, 0);
  for (sf_count_t f = 0; f < frames; ++f) {
    int32_t sum[2] = {0, 0}, count[2] = {0, 0};
    for (int c = 0; c < info.channels; ++c) {
      sum[c & 1] += raw[size_t(f) * size_t(info.channels) + size_t(c)];
      ++count[c & 1];
    }
    for (int side = 0; side < 2; ++side)
      out->samples[size_t(f) * 2 + size_t(side)] = int16_t(sum[side] / count[side]);
  }
  return true;
}

}  // namespace tess::platform
