// The bytes tessera.inc writes, read back from a linked image the way the
// unwinder reads them: prologues and frames, call markers with every item
// kind and their jump lengths, and trailers whose handler displacements must
// land exactly on the handler labels, across jumps the assembler resized.
#include "tessimage/markers.h"
#include "tessimage_test_support.h"

namespace tess::test {
namespace {

constexpr int kAny = -1;  // a call displacement: a chain link before loading

struct Conventions {
  BuildResult r;
  Conventions() {
    BuildOptions options;
    options.entry = "Plain";
    r = Build({"conventions.s"}, options);
  }
  uint32_t At(const std::string& label) const { return Symbol(r, label)->offset; }
  const std::vector<uint8_t>& code() const { return r.image.code; }
};

const Conventions& Image() {
  static const Conventions image;
  return image;
}

std::vector<int> Cat(std::initializer_list<std::vector<int>> parts) {
  std::vector<int> out;
  for (const std::vector<int>& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

const std::vector<int> kCall = {0xE8, kAny, kAny, kAny, kAny};
const std::vector<int> kMarker = {0xEB, 0x03, 0x90, 0xEB, 0x00};
const std::vector<int> kEnd = {0xC9, 0xC3, 0x2F};

std::vector<int> Be32(uint32_t v) {
  return {int(v >> 24), int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF)};
}

TEST(Conventions, RoutinesAreWrittenByteForByte) {
  const Conventions& c = Image();
  const uint32_t guarded = c.At("Guarded");
  const uint32_t early = c.At("early"), late = c.At("late"), after = c.At("after");
  const uint32_t trailer = c.At("late") + 9;  // lea (3) + jne rel32 (6)
  std::vector<int> nops(300, 0x90);
  struct Row {
    const char* routine;
    std::vector<int> bytes;
  };
  const Row rows[] = {
      {"Plain", Cat({{0x55, 0x89, 0xE5, 0x6A, 0x00}, kCall, kMarker, kEnd, {0x00}})},
      {"Items", Cat({{0x55, 0x89, 0xE5, 0x83, 0xEC, 0x0C},
                     kCall,
                     {0xEB, 0x0B, 0x90, 0x90, 0x01, 0x90, 0x00, 0x90, 0x02, 0x90, 0x04},
                     {0xEB, 0x00},
                     kCall,
                     {0xEB, 0x05, 0x90, 0x90, 0x07, 0xEB, 0x00},
                     kCall,
                     {0xEB, 0x0D, 0x90, 0x90, 0x01, 0x90, 0x08, 0x90, 0x07},
                     {0x90, 0x02, 0x90, 0xFF, 0xEB, 0x00},
                     {0xFF, 0xD0},
                     kMarker,
                     kEnd,
                     {0x05, 0xFF, 0xF8, 0x06, 0xFF, 0xF4, 0x00}})},
      {"Big",
       Cat({{0x55, 0x89, 0xE5, 0x81, 0xEC, 0x00, 0x01, 0x00, 0x00}, kCall, kMarker, kEnd, {0x00}})},
      {"Guarded",
       Cat({{0x55, 0x89, 0xE5, 0x6A, 0x00, 0x6A, 0x00},
            kCall,
            kMarker,
            {0xE9, kAny, kAny, kAny, kAny},        // jmp 1f
            {0x8D, 0x65, 0xF8, 0x8B, 0x45, 0xFC},  // early: lea -8(%ebp),%esp; mov -4(%ebp),%eax
            {0xE9, kAny, kAny, kAny, kAny},        // jmp 3f
            nops,
            kCall,
            kMarker,                               // 1:
            {0xEB, 0x09},                          // jmp 3f
            {0x8D, 0x65, 0xF8},                    // late: lea -8(%ebp),%esp
            {0x0F, 0x85, kAny, kAny, kAny, kAny},  // jne early
            kEnd,                                  // 3:
            {0x04, 0x00, 0x03},
            Be32(early - (trailer + 6)),
            {0x06, 0xFF, 0xFC},
            {0x05, 0xFF, 0xF8},
            {0x04, 0xFF, 0xFE},
            Be32(late - (trailer + 19)),
            {0x04, 0x12, 0x34},
            Be32(after - (trailer + 26)),
            {0x00}})},
  };
  for (const Row& row : rows) {
    const uint32_t at = c.At(row.routine);
    ASSERT_LE(at + row.bytes.size(), c.code().size()) << row.routine;
    std::vector<int> actual;
    for (size_t i = 0; i < row.bytes.size(); ++i) {
      actual.push_back(row.bytes[i] == kAny ? kAny : c.code()[at + i]);
    }
    const auto differs = std::mismatch(actual.begin(), actual.end(), row.bytes.begin());
    EXPECT_EQ(actual, row.bytes) << row.routine << ": first difference at +"
                                 << (differs.first - actual.begin());
  }
  EXPECT_EQ(trailer - guarded, 0x162u);  // the layout the row above assumes
}

// What the unwinder sees from one return address.
struct Unwound {
  std::vector<std::pair<int, int>> items;        // kind, argument offset (or -1)
  std::vector<std::pair<int, int64_t>> entries;  // kind, class/offset or handler target
  std::vector<int> handlerClasses;
  bool operator==(const Unwound&) const = default;
};

Unwound Unwind(const std::vector<uint8_t>& code, uint32_t r) {
  Unwound u;
  EXPECT_EQ(code[r], 0xEB);
  EXPECT_EQ(code[r + 2], 0x90);
  uint32_t p = r + 3;
  for (;; p += code[p + 1] == 7 ? 2 : 4) {
    const int kind = code[p + 1];
    if (kind == 0) break;
    u.items.emplace_back(kind, kind == 7 ? -1 : code[p + 3]);
  }
  EXPECT_EQ(r + 2 + code[r + 1], p + 2) << "the marker's jump lands after the end item";
  uint32_t t = p + 2;
  while (!(code[t] == 0xC9 && code[t + 1] == 0xC3 && code[t + 2] == 0x2F)) ++t;
  for (t += 3; code[t] != 0;) {
    const int kind = code[t];
    const int16_t value = int16_t(be16(&code[t + 1]));
    if (kind == 4) {
      u.handlerClasses.push_back(value);
      u.entries.emplace_back(4, int64_t(t + 3) + int32_t(be32(&code[t + 3])));
      t += 7;
    } else {
      u.entries.emplace_back(kind, value);
      t += 3;
    }
  }
  return u;
}

TEST(Conventions, EveryCallSiteUnwindsToItsItemsAndTrailer) {
  const Conventions& c = Image();
  const std::map<std::string, std::vector<uint32_t>> chains = Chains(c.r.image);
  std::vector<uint32_t> sites;
  for (const auto& [name, chain] : chains) sites.insert(sites.end(), chain.begin(), chain.end());
  std::sort(sites.begin(), sites.end());
  // The indirect call in Items has no chain; its return address follows FF D0.
  const uint32_t indirect = c.At("Big") - 15;  // FF D0 | marker | C9 C3 2F | 6 | 00 | pad
  ASSERT_EQ(c.code()[indirect - 2], 0xFF);

  const Unwound plain{{}, {}, {}};
  const Unwound items{{}, {{5, -8}, {6, -12}}, {}};
  const int64_t early = c.At("early"), late = c.At("late"), after = c.At("after");
  const Unwound guarded{{}, {{4, early}, {6, -4}, {5, -8}, {4, late}, {4, after}}, {3, -2, 0x1234}};
  auto with = [](Unwound u, std::vector<std::pair<int, int>> i) {
    u.items = std::move(i);
    return u;
  };
  const std::vector<std::pair<uint32_t, Unwound>> expected = {
      {c.At("Plain") + 6, plain},
      {c.At("Items") + 7, with(items, {{1, 0}, {2, 4}})},
      {c.At("Items") + 25, with(items, {{7, -1}})},
      {c.At("Items") + 37, with(items, {{1, 8}, {7, -1}, {2, 255}})},
      {c.At("Big") + 10, plain},
      {c.At("Guarded") + 8, guarded},
      {c.At("late") - 11, guarded},
  };
  std::vector<uint32_t> returns;
  for (const auto& [site, unwound] : expected) {
    if (site != indirect) returns.push_back(site);
    EXPECT_EQ(Unwind(c.code(), site + 4), unwound) << std::hex << site;
  }
  EXPECT_EQ(Unwind(c.code(), indirect), with(items, {}));
  EXPECT_EQ(sites, returns) << "every linked call site is covered";
}

std::vector<uint32_t> Returns(const BuildResult& r) {
  std::vector<uint32_t> returns;
  for (const auto& [name, sites] : Chains(r.image)) {
    for (uint32_t site : sites) returns.push_back(site + 4);
  }
  std::sort(returns.begin(), returns.end());  // a shared trailer is checked from the first
  return returns;
}

TEST(Conventions, CheckerFindsEveryMarkerAndEachDamage) {
  const Conventions& c = Image();
  const std::vector<uint32_t> returns = Returns(c.r);
  const imagetool::MarkerReport whole = imagetool::CheckMarkers(c.code(), returns);
  EXPECT_EQ(whole.calls, 7u);
  EXPECT_EQ(whole.marked, 7u);
  EXPECT_EQ(whole.trailers, 4u);
  EXPECT_EQ(whole.faults, std::vector<std::string>{});

  const uint32_t items = c.At("Items") + 11;  // return address of its first call
  const uint32_t plain = c.At("Plain") + 10;
  const uint32_t trailer = c.At("late") + 9;
  auto hex = [](uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", v);
    return std::string(text);
  };
  struct Row {
    const char* what;
    uint32_t at;
    uint8_t byte;
    std::vector<std::string> faults;
  };
  const Row rows[] = {
      {"jump one short",
       items + 1,
       0x0A,
       {"call returning to " + hex(items) + ": marker jumps to " + hex(items + 12) +
        ", the list ends at " + hex(items + 13)}},
      {"item kind 3",
       items + 4,
       0x03,
       {"call returning to " + hex(items) + ": clean-up item of kind 3 at " + hex(items + 3)}},
      {"trailer without its end",
       plain + 8,
       0x09,
       {"call returning to " + hex(plain) + ": trailer entry of kind 9 at " + hex(plain + 8)}},
      {"handler far away",
       trailer + 6,
       0x7F,
       {"call returning to " + hex(c.At("Guarded") + 12) + ": handler at " + hex(trailer + 3) +
        " points outside the code"}},
      {"not a marker", plain, 0xEA, {}},
  };
  for (const Row& row : rows) {
    std::vector<uint8_t> code = c.code();
    code[row.at] = row.byte;
    EXPECT_EQ(imagetool::CheckMarkers(code, returns).faults, row.faults) << row.what;
  }
  const std::vector<uint8_t> cut(c.code().begin(), c.code().begin() + plain + 5);
  EXPECT_EQ(imagetool::CheckMarkers(cut, {plain}).faults,
            std::vector<std::string>{"call returning to " + hex(plain) +
                                     ": no trailer (C9 C3 2F) after the marker"});
  EXPECT_EQ(imagetool::CheckMarkers(cut, {plain + 4, 0xFFFFFFFF}).marked, 0u);
}

}  // namespace
}  // namespace tess::test
