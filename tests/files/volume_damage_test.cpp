// Damaged volumes: refused when opened, or the damaged file or folder
// refused with a clear error while the rest stays usable; never a crash,
// a hang or a write outside the volume's own bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "files/volume_format.h"
#include "files/volume_messages.h"
#include "volume_test_support.h"

namespace tess::files::test {
namespace {

using namespace volume;

// Root (idnum 2) at 48, folder "a" (3) at 8240, "big" (4, 20,000 bytes) at
// 16432, 24624 and 32816, "s" (5, in a) at 41008.
constexpr size_t kA = 8240, kBig0 = 16432, kBig1 = 24624, kBig2 = 32816, kS = 41008;

const Bytes& BaseImage() {
  static const Bytes image = [] {
    MemoryVolume v;
    VolumeEntry a = v->CreateFolder(v->Root(), "a");
    v.Store(v->Root(), "big", std::string(20000, 'b'));
    v.Store(a, "s", "small");
    return Of(v.stream);
  }();
  return image;
}

Bytes Double(double d, bool big_endian) {
  Bytes b;
  big_endian ? BeDouble(b, d) : LeDouble(b, d);
  return b;
}
Bytes U32(uint32_t x, bool big_endian) {
  Bytes b;
  big_endian ? Be32(b, x) : Le32(b, x);
  return b;
}

std::function<void(Bytes&)> At(size_t offset, Bytes bytes) {
  return [=](Bytes& image) { Put(image, offset, bytes); };
}
std::function<void(Bytes&)> CutTo(size_t size) {
  return [=](Bytes& image) { image.resize(size); };
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct RefusedCase {
  const char* what;
  std::function<void(Bytes&)> damage;
  std::string error;
};

TEST(VolumeDamage, OpeningRefusesADamagedVolumeWithAClearError) {
  const RefusedCase cases[] = {
      {"empty file", CutTo(0), kBadMagic},
      {"cut in the version", CutTo(6), kTooAdvanced},
      {"cut in the metadata", CutTo(30), kBadMetadata},
      {"wrong magic", At(0, Bytes{'V', 'F', 'S', 'w'}), kBadMagic},
      {"version 3", At(4, U32(3, true)), kTooAdvanced},
      {"version 0", At(4, U32(0, true)), kUnknownVersion},
      {"metadata owner", At(12, U32(7, true)), kBadMetadata},
      {"metadata mark", At(8, Bytes{'B', 'l', 'k', 'X'}), kBadMetadata},
      {"metadata size 39", At(20, Double(39, true)), kBadMetadata},
      {"metadata size NaN", At(20, Double(kNaN, true)), kBadMetadata},
      {"metadata size huge", At(20, Double(1e300, true)), kBadMetadata},
      {"block mark", At(kBig1, Bytes{'X', 'X', 'X', 'X'}),
       "VFS volume block at 24624 is damaged (no block mark)."},
      {"block size huge", At(kBig0 + 12, Double(1e300, true)),
       "VFS volume block at 16432 is damaged (size out of range)."},
      {"block size tiny", At(kBig0 + 12, Double(20, true)),
       "VFS volume block at 16432 is damaged (size out of range)."},
      {"block size fraction", At(kBig0 + 12, Double(8192.5, true)),
       "VFS volume block at 16432 is damaged (size out of range)."},
      {"block size negative", At(kBig0 + 12, Double(-8192, true)),
       "VFS volume block at 16432 is damaged (size out of range)."},
      {"block size 2^31", At(kBig0 + 12, Double(2147483648.0, true)),
       "VFS volume block at 16432 is damaged (size out of range)."},
      {"block size past the end", At(kBig0 + 12, Double(1e6, true)),
       "VFS volume block at 16432 is damaged (it runs past the end of the file)."},
      {"next NaN", At(kBig0 + 20, Double(kNaN, true)),
       "VFS volume block at 16432 is damaged (next position out of range)."},
      {"next negative", At(kBig0 + 20, Double(-8192, true)),
       "VFS volume block at 16432 is damaged (next position out of range)."},
      {"root not owned", At(48 + 4, U32(9, true)), kNoRoot},
      {"root not a folder", At(48 + 32 + 8, Bytes{'?', '?', '?', '?'}), kNoRoot},
      {"root with a parent", At(48 + 32 + 12, U32(3, false)), kNoRoot},
  };
  for (const auto& c : cases) {
    Bytes image = BaseImage();
    c.damage(image);
    MemoryVolume v(image);
    EXPECT_FALSE(v->usable()) << c.what;
    EXPECT_EQ(v->error(), c.error) << c.what;
    EXPECT_FALSE(v->Root()) << c.what;
    EXPECT_EQ(Of(v.stream), image) << c.what;
  }
}

// What a damaged volume says when its damaged part is used.
std::string Probe(VHFS& v, uint32_t idnum) {
  VolumeEntry e = v.LoadEntry(idnum);
  if (!e) return v.error();
  std::vector<VolumeEntry> children;
  if (e.is_folder()) return v.ListChildren(e, &children) ? "ok" : v.error();
  auto s = v.OpenDataStream(e);
  if (!s) return v.error();
  std::string content(size_t(s->Length()), '\0');
  size_t done;
  return s->Read(content.data(), content.size(), &done) ? "ok" : v.error();
}

struct PartCase {
  const char* what;
  std::function<void(Bytes&)> damage;
  uint32_t probe;
  std::string error;
};

TEST(VolumeDamage, ADamagedFileOrFolderIsRefusedAndTheRestStaysUsable) {
  const PartCase cases[] = {
      {"chain loops to its start", At(kBig2 + 20, Double(kBig0, true)), 4,
       "The block chain of file 4 is damaged (the sequence numbers are out of order)."},
      {"block points to itself", At(kBig1 + 20, Double(kBig1, true)), 4,
       "The block chain of file 4 is damaged (the sequence numbers are out of order)."},
      {"sequence skips", At(kBig1 + 8, U32(2, true)), 4,
       "The block chain of file 4 is damaged (the sequence numbers are out of order)."},
      {"next inside a block", At(kBig0 + 20, Double(20000, true)), 4,
       "The block chain of file 4 is damaged (a next position is not the start of a block)."},
      {"next beyond the file", At(kBig0 + 20, Double(2e9, true)), 4,
       "The block chain of file 4 is damaged (a next position is not the start of a block)."},
      {"next into another file", At(kBig0 + 20, Double(kS, true)), 4,
       "The block chain of file 4 is damaged (the chain runs into another file)."},
      {"next into a free block", At(kBig1 + 4, U32(0, true)), 4,
       "The block chain of file 4 is damaged (the chain runs into a free block)."},
      {"cut inside the file", CutTo(30000), 4,
       "The block chain of file 4 is damaged (a next position is not the start of a block)."},
      {"length huge", At(kBig0 + 32, Double(1e300, false)), 4,
       "Entry 4 of the volume is damaged (length beyond its blocks)."},
      {"length NaN", At(kBig0 + 32, Double(kNaN, false)), 4,
       "Entry 4 of the volume is damaged (length beyond its blocks)."},
      {"length negative", At(kBig0 + 32, Double(-1, false)), 4,
       "Entry 4 of the volume is damaged (length beyond its blocks)."},
      {"length past the blocks", At(kBig0 + 32, Double(3 * 8156 - 256 + 1, false)), 4,
       "Entry 4 of the volume is damaged (length beyond its blocks)."},
      {"no type", At(kS + 32 + 8, U32(0, false)), 5,
       "Entry 5 of the volume is damaged (no type code)."},
      {"no name", At(kS + 32 + 32, Bytes{0}), 5, "Entry 5 of the volume is damaged (no name)."},
      {"count beyond length", At(kA + 32 + 256, U32(1000, false)), 3,
       "Folder 3 of the volume is damaged (child count beyond its length)."},
      {"folder length huge", At(kA + 32, Double(1e18, false)), 3,
       "Entry 3 of the volume is damaged (length beyond its blocks)."},
      {"child missing", At(kA + 32 + 260, U32(99, false)), 3,
       "Entry 99 of the volume is damaged (no such file)."},
      {"child is the folder", At(kA + 32 + 260, U32(3, false)), 3,
       "Folder 3 of the volume is damaged (it lists itself or the root)."},
      {"child is the root", At(kA + 32 + 260, U32(2, false)), 3,
       "Folder 3 of the volume is damaged (it lists itself or the root)."},
      {"child is the metadata", At(kA + 32 + 260, U32(1, false)), 3,
       "Folder 3 of the volume is damaged (it lists itself or the root)."},
      {"block claims the metadata idnum", At(kS + 4, U32(1, true)), 5,
       "Entry 5 of the volume is damaged (no such file)."},
  };
  for (const auto& c : cases) {
    Bytes image = BaseImage();
    c.damage(image);
    MemoryVolume v(image);
    ASSERT_TRUE(v->usable()) << c.what << ": " << v->error();
    EXPECT_EQ(Probe(*v.vol, c.probe), c.error) << c.what;
    EXPECT_FALSE(v->Check().damage.empty()) << c.what;
    // The rest still works: a new file is written and read back.
    VolumeEntry fresh = v.Store(v->Root(), "fresh", std::string(9000, 'f'));
    ASSERT_TRUE(fresh) << c.what << ": " << v->error();
    EXPECT_EQ(v.Content(fresh), std::string(9000, 'f')) << c.what;
    if (c.probe != 4 && c.probe != 3) {
      EXPECT_EQ(v.Content(v->Find(v->Root(), "big")), std::string(20000, 'b')) << c.what;
    }
  }
}

TEST(VolumeDamage, ACounterBehindItsFilesNeverHandsTheirIdnumsOut) {
  Bytes image = BaseImage();
  Put(image, 36, U32(2, true));
  MemoryVolume v(image);
  ASSERT_TRUE(v->usable());
  VolumeEntry e = v->CreateEntry(v->Root(), "new", 0x3F3F3F3F);
  EXPECT_EQ(e.idnum, 6u);
  EXPECT_EQ(v.Content(v->Find(v->Root(), "big")), std::string(20000, 'b'));
}

TEST(VolumeDamage, AFullVolumeRefusesToGrow) {
  db::MemoryStream stream;
  auto v = VHFS::Create(&stream, false, [] { return kNow; });
  stream.set_limit(48 + 3 * 8192);
  VolumeEntry f = v->CreateEntry(v->Root(), "f", 0x3F3F3F3F);
  auto s = v->OpenDataStream(f);
  std::string data(30000, 'd');
  EXPECT_FALSE(s->Write(data.data(), data.size()));
  EXPECT_EQ(v->error(), kWriteFailed);
  s.reset();
  // What was written before the refusal stays readable.
  MemoryVolume again(Of(stream));
  ASSERT_TRUE(again->usable()) << again->error();
  EXPECT_TRUE(again->Check().damage.empty());
}

}  // namespace
}  // namespace tess::files::test
