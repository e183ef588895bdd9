// Binding named call chains, data addresses in code and deferred references,
// and refusing link streams that would patch outside the code segment.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "image/image_test_support.h"
#include "image/link_table.h"
#include "tessera/runtime.h"

namespace tess::image {
namespace {

using test::GuardedSegments;
using test::LinkStreamBuilder;

void* MsgBoxEntry() {
  return reinterpret_cast<void*>(&RuntimeMsgBox);
}

bool Link(GuardedSegments& g, const LinkStreamBuilder& b, std::string* message,
          std::vector<DeferredReference>* deferred = nullptr) {
  std::vector<DeferredReference> unused;
  return LinkStream(g.seg, b.bytes.data(), b.bytes.size(), deferred ? deferred : &unused, message);
}

TEST(LinkStream, BindsEverySiteOfAChainWhateverTheLetterCase) {
  for (const char* name : {"RuntimeMsgBox", "runtimemsgbox", "RUNTIMEMSGBOX"}) {
    GuardedSegments g(64, 16);
    g.PlaceCall(1, 20);
    g.PlaceCall(20, 40);
    g.PlaceCall(40, 0);
    std::string message;
    ASSERT_TRUE(Link(g, LinkStreamBuilder().Named(1, name), &message)) << message;
    for (uint32_t site : {1u, 20u, 40u}) {
      EXPECT_EQ(g.CodeWord(site), g.Displacement(site, MsgBoxEntry())) << name << " @" << site;
    }
    EXPECT_TRUE(g.GuardsIntact());
  }
}

TEST(LinkStream, UnknownTypeBytesAreSkippedOneByOne) {
  GuardedSegments g(32, 16);
  g.PlaceCall(1, 0);
  put_le32(g.seg.code + 10, 8);
  // 0x00, 0x07 and 0xFF each consume one byte; the records after them still bind.
  LinkStreamBuilder b;
  b.Byte(0x00).Byte(0x07).Named(1, "RuntimeMsgBox").Byte(0xFF).DataAddress(10).Byte(0x03);
  std::string message;
  ASSERT_TRUE(Link(g, b, &message)) << message;
  EXPECT_EQ(g.CodeWord(1), g.Displacement(1, MsgBoxEntry()));
  EXPECT_EQ(g.CodeWord(10), uint32_t(uintptr_t(g.seg.data)) + 8);
}

TEST(LinkStream, ChainHeadZeroPatchesNothingButStillChecksLibraryRoutines) {
  GuardedSegments g(16, 4);
  std::vector<uint8_t> before(g.seg.code, g.seg.code + 16);
  std::string message;
  EXPECT_TRUE(Link(g, LinkStreamBuilder().Named(0, "RuntimeMsgBox"), &message)) << message;
  EXPECT_TRUE(Link(g, LinkStreamBuilder().Named(0, "!Xlibc.so.6!puts"), &message)) << message;
  EXPECT_EQ(std::vector<uint8_t>(g.seg.code, g.seg.code + 16), before);

  EXPECT_FALSE(Link(g, LinkStreamBuilder().Named(0, "!Xlibc.so.6!no_such_routine"), &message));
  EXPECT_EQ(message,
            "The application could not be loaded because the routine no_such_routine could not "
            "be found in the shared library libc.so.6.");
}

TEST(LinkStream, LibraryRoutinesBindAndFailWithTheirMessages) {
  struct Case {
    const char* name;
    const char* message;  // empty: binds
  } cases[] = {
      {"!Xlibc.so.6!strlen", ""},
      // The loaded-library list matches names without regard to case; a
      // host that cannot open the upper-case file name still finds it there.
      {"!XLIBC.SO.6!strlen", ""},
      {"!Xlibc.so.6!STRLEN",
       "The application could not be loaded because the routine STRLEN could not be found in the "
       "shared library libc.so.6."},
      {"!Xlibtessera-missing.so!f",
       "The application could not be loaded because a necessary shared library "
       "libtessera-missing.so could not be found."},
  };
  for (const Case& c : cases) {
    GuardedSegments g(16, 4);
    g.PlaceCall(1, 8);
    g.PlaceCall(8, 0);
    std::string message;
    bool ok = Link(g, LinkStreamBuilder().Named(1, c.name), &message);
    EXPECT_EQ(ok, *c.message == '\0') << c.name;
    EXPECT_EQ(message, c.message) << c.name;
    if (ok) {
      // Asked of libc itself: a sanitizer interposes its own strlen globally.
      void* strlenAddress = ::dlsym(::dlopen("libc.so.6", RTLD_NOW), "strlen");
      EXPECT_EQ(g.CodeWord(1), g.Displacement(1, strlenAddress)) << c.name;
      EXPECT_EQ(g.CodeWord(8), g.Displacement(8, strlenAddress)) << c.name;
    }
  }
}

TEST(LinkStream, DeferredReferencesAreQueuedUnpatched) {
  GuardedSegments g(32, 4);
  g.PlaceCall(1, 10);
  g.PlaceCall(10, 0);
  g.PlaceCall(20, 0);
  std::vector<DeferredReference> deferred;
  std::string message;
  LinkStreamBuilder b;
  b.Named(1, "!MApplication.Quit").Named(20, "!GWindow.Title");
  ASSERT_TRUE(Link(g, b, &message, &deferred)) << message;
  ASSERT_EQ(deferred.size(), 2u);
  EXPECT_EQ(deferred[0].name, "MApplication.Quit");
  EXPECT_EQ(deferred[0].chainHead, 1u);
  EXPECT_EQ(deferred[1].name, "GWindow.Title");
  EXPECT_EQ(g.CodeWord(1), 10u);
  EXPECT_EQ(g.CodeWord(10), 0u);

  // Resolution later points the whole chain at the member.
  ASSERT_TRUE(PatchChain(g.seg, 1, MsgBoxEntry(), "Quit", &message)) << message;
  EXPECT_EQ(g.CodeWord(10), g.Displacement(10, MsgBoxEntry()));
}

TEST(LinkStream, ANameMissingFromTheLinkTableRefusesTheImage) {
  GuardedSegments g(16, 4);
  g.PlaceCall(1, 0);
  std::string message;
  EXPECT_FALSE(Link(g, LinkStreamBuilder().Named(1, "NoSuchEntryPoint"), &message));
  EXPECT_NE(message.find("the routine NoSuchEntryPoint could not be found in the shared library "),
            std::string::npos)
      << message;
  EXPECT_FALSE(Link(g, LinkStreamBuilder().Named(1, ""), &message));
}

TEST(LinkStream, ANameMissingFromTheLinkTableWithoutSitesIsIgnored) {
  GuardedSegments g(16, 4);
  g.PlaceCall(1, 0);
  std::vector<uint8_t> before(g.seg.code, g.seg.code + 16);
  std::string message;
  EXPECT_TRUE(Link(g, LinkStreamBuilder().Named(0, "NoSuchEntryPoint").Named(0, ""), &message))
      << message;
  EXPECT_EQ(std::vector<uint8_t>(g.seg.code, g.seg.code + 16), before);
  // The records after it still bind.
  ASSERT_TRUE(
      Link(g, LinkStreamBuilder().Named(0, "NoSuchEntryPoint").Named(1, "RuntimeMsgBox"), &message))
      << message;
  EXPECT_EQ(g.CodeWord(1), g.Displacement(1, MsgBoxEntry()));
}

TEST(LinkStream, MalformedStreamsAreRefusedWithoutWritingOutsideTheCode) {
  struct Case {
    const char* what;
    void (*setup)(GuardedSegments&, LinkStreamBuilder&);
    const char* detail;
  } cases[] = {
      {"site beyond the end",
       [](GuardedSegments&, LinkStreamBuilder& b) { b.Named(30, "RuntimeMsgBox"); },
       "lies outside the code segment"},
      {"site in the last three bytes",
       [](GuardedSegments& g, LinkStreamBuilder& b) {
         g.seg.code[28] = 0xE8;
         b.Named(29, "RuntimeMsgBox");
       },
       "lies outside the code segment"},
      {"chain runs off the segment",
       [](GuardedSegments& g, LinkStreamBuilder& b) {
         g.PlaceCall(1, 0xFFFFFFF0u);
         b.Named(1, "RuntimeMsgBox");
       },
       "lies outside the code segment"},
      {"site without a call opcode",
       [](GuardedSegments& g, LinkStreamBuilder& b) {
         g.PlaceCall(5, 0);
         g.seg.code[4] = 0xE9;
         b.Named(5, "RuntimeMsgBox");
       },
       "is not a call"},
      {"chain loops onto itself",
       [](GuardedSegments& g, LinkStreamBuilder& b) {
         g.PlaceCall(1, 10);
         g.PlaceCall(10, 1);
         b.Named(1, "RuntimeMsgBox");
       },
       "overlap"},
      {"two chains share a site",
       [](GuardedSegments& g, LinkStreamBuilder& b) {
         g.PlaceCall(1, 0);
         b.Named(1, "RuntimeMsgBox").Named(1, "!Mx.y");
       },
       "overlap"},
      {"deferred chain out of range",
       [](GuardedSegments&, LinkStreamBuilder& b) { b.Named(200, "!MApp.Run"); },
       "lies outside the code segment"},
      {"data address beyond the end",
       [](GuardedSegments&, LinkStreamBuilder& b) { b.DataAddress(29); }, "data address at 0x1D"},
      {"data address inside a call site",
       [](GuardedSegments& g, LinkStreamBuilder& b) {
         g.PlaceCall(1, 0);
         b.Named(1, "RuntimeMsgBox").DataAddress(3);
       },
       "overlaps a call site"},
      {"named record cut short in its name",
       [](GuardedSegments&, LinkStreamBuilder& b) {
         b.Named(0, "RuntimeMsgBox");
         b.bytes.pop_back();
       },
       "cut short"},
      {"named record cut short in its head",
       [](GuardedSegments&, LinkStreamBuilder& b) { b.Byte(1).Byte(0).Byte(0); }, "cut short"},
      {"data address record cut short",
       [](GuardedSegments&, LinkStreamBuilder& b) { b.Byte(2).Byte(4); }, "cut short"},
  };
  for (const Case& c : cases) {
    GuardedSegments g(32, 16);
    LinkStreamBuilder b;
    c.setup(g, b);
    std::string message;
    EXPECT_FALSE(Link(g, b, &message)) << c.what;
    EXPECT_NE(message.find("its image is damaged"), std::string::npos) << c.what << ": " << message;
    EXPECT_NE(message.find(c.detail), std::string::npos) << c.what << ": " << message;
    EXPECT_TRUE(g.GuardsIntact()) << c.what;
  }
}

TEST(LinkStream, AnEmptyCodeSegmentAcceptsOnlyEmptyChains) {
  GuardedSegments g(0, 0);
  std::string message;
  EXPECT_TRUE(Link(g, LinkStreamBuilder().Named(0, "RuntimeMsgBox"), &message));
  EXPECT_FALSE(Link(g, LinkStreamBuilder().Named(1, "RuntimeMsgBox"), &message));
  EXPECT_FALSE(Link(g, LinkStreamBuilder().DataAddress(0), &message));
  EXPECT_TRUE(g.GuardsIntact());
}

}  // namespace
}  // namespace tess::image
