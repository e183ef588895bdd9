// Volume bytes written out from the file layout, independently of the
// engine: expected images are composed from these, never from engine code.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "db/stream.h"
#include "files/volume.h"

namespace tess::files::test {

using Bytes = std::vector<uint8_t>;

inline constexpr double kNow = 3'000'000'000.5;  // the fixed clock of these tests

inline void Be32(Bytes& v, uint32_t x) {
  for (int i = 3; i >= 0; --i) v.push_back(uint8_t(x >> (8 * i)));
}
inline void Le32(Bytes& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
inline uint64_t Bits(double d) {
  uint64_t b;
  std::memcpy(&b, &d, 8);
  return b;
}
inline void BeDouble(Bytes& v, double d) {
  for (int i = 7; i >= 0; --i) v.push_back(uint8_t(Bits(d) >> (8 * i)));
}
inline void LeDouble(Bytes& v, double d) {
  for (int i = 0; i < 8; ++i) v.push_back(uint8_t(Bits(d) >> (8 * i)));
}
inline void Text(Bytes& v, const char* s) {
  while (*s) v.push_back(uint8_t(*s++));
}
inline void Put(Bytes& v, size_t at, const Bytes& part) {
  if (v.size() < at + part.size()) v.resize(at + part.size());
  std::copy(part.begin(), part.end(), v.begin() + long(at));
}

// "VFSv", version 2, the metadata block with the idnum counter: 44 bytes.
inline Bytes NewVolume(uint32_t counter) {
  Bytes v;
  Text(v, "VFSv");
  Be32(v, 2);
  Text(v, "BlkS");
  Be32(v, 1);
  Be32(v, 0);
  BeDouble(v, 40.0);
  BeDouble(v, 0.0);
  Be32(v, counter);
  Text(v, "BlkE");
  return v;
}

// A block header: magic, owner, sequence, size and next (doubles big-endian).
inline Bytes BlockHeader(uint32_t idnum, uint32_t seq, double size, double next) {
  Bytes v;
  Text(v, "BlkS");
  Be32(v, idnum);
  Be32(v, seq);
  BeDouble(v, size);
  BeDouble(v, next);
  return v;
}

// A whole 8192-byte block: header, 4 unused bytes, payload, "BlkE".
inline Bytes Block(uint32_t idnum, uint32_t seq, double next, const Bytes& payload) {
  Bytes v = BlockHeader(idnum, seq, 8192.0, next);
  v.resize(32, 0);
  v.insert(v.end(), payload.begin(), payload.end());
  v.resize(8188, 0);
  Text(v, "BlkE");
  return v;
}

// A 256-byte entry header (little-endian fields, name zero-padded).
inline Bytes Entry(double length, const char* type_bytes, uint32_t parent, const char* name) {
  Bytes v;
  LeDouble(v, length);
  Text(v, type_bytes);  // as stored: 'fold' is "dlof"
  Le32(v, parent);
  LeDouble(v, kNow);
  LeDouble(v, kNow);
  Text(v, name);
  v.resize(256, 0);
  return v;
}

inline Bytes Of(const db::MemoryStream& s) {
  return Bytes(s.bytes().begin(), s.bytes().end());
}

inline std::string Str(const Bytes& b) {
  return std::string(b.begin(), b.end());
}

// A volume over a memory stream the test keeps, with the fixed clock.
struct MemoryVolume {
  db::MemoryStream stream;
  std::unique_ptr<VHFS> vol;
  MemoryVolume() : vol(VHFS::Create(&stream, false, [] { return kNow; })) {}
  explicit MemoryVolume(const Bytes& image)
      : stream(Str(image)), vol(VHFS::Open(&stream, false, [] { return kNow; })) {}
  VHFS* operator->() { return vol.get(); }

  // Writes `content` into a new file of `folder` and closes it.
  VolumeEntry Store(const VolumeEntry& folder, const char* name, const std::string& content) {
    VolumeEntry e = vol->CreateEntry(folder, name, 0x3F3F3F3F);
    if (!e) return e;
    auto s = vol->OpenDataStream(e);
    if (!s || !s->Write(content.data(), content.size())) return {};
    s->Close();
    return e;
  }
  std::string Content(const VolumeEntry& e) {
    auto s = vol->OpenDataStream(e);
    if (!s) return "<" + vol->error() + ">";
    std::string out(size_t(s->Length()), '\0');
    size_t done = 0;
    if (!s->Read(out.data(), out.size(), &done)) return "<read failed>";
    out.resize(done);
    return out;
  }
};

}  // namespace tess::files::test
