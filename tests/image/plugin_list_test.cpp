// The embedded plug-in list as start-up reads it: installation order, names
// and library bytes, and damaged lists reported without reading past them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/byte_order.h"
#include "image/plugin_install.h"
#include "platform/user/message_box.h"

namespace tess::image {
namespace {

// Nodes laid out in one buffer: {next, length, 4 bytes, n, name, bytes}.
class ListBuilder {
 public:
  ListBuilder() { buffer_.reserve(4096); }
  // Appends a node; `length` overrides the length word when not -1.
  size_t Node(const std::string& name, const std::string& bytes, int64_t length = -1) {
    size_t at = buffer_.size();
    buffer_.resize(at + 8 + 5 + name.size() + bytes.size() + 4, 0);
    uint32_t stored = length < 0 ? uint32_t(5 + name.size() + bytes.size()) : uint32_t(length);
    put_le32(&buffer_[at + 4], stored);
    buffer_[at + 12] = uint8_t(name.size());
    std::memcpy(&buffer_[at + 13], name.data(), name.size());
    std::memcpy(&buffer_[at + 13 + name.size()], bytes.data(), bytes.size());
    return at;
  }
  void Link(size_t from, size_t to) {
    put_le32(&buffer_[from], uint32_t(reinterpret_cast<uintptr_t>(&buffer_[to])));
  }
  const uint8_t* At(size_t offset) const { return &buffer_[offset]; }

 private:
  std::vector<uint8_t> buffer_;
};

class PluginListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxHook([this](const platform::MessageBoxRequest& r) {
      reports_.push_back(r.text);
      return platform::IDOK;
    });
  }
  void TearDown() override { platform::SetMessageBoxHook(nullptr); }
  static std::string Names(const std::vector<EmbeddedPlugin>& plugins) {
    std::string names;
    for (const EmbeddedPlugin& p : plugins) {
      names += p.name + "=" + std::string(reinterpret_cast<const char*>(p.bytes), p.size) + " ";
    }
    return names;
  }
  std::vector<std::string> reports_;
};

TEST_F(PluginListTest, InstallsInTheReverseOfTheListsOrder) {
  ListBuilder list;
  size_t first = list.Node("b.dll", "BBB");
  size_t second = list.Node("a.dll", "");
  size_t third = list.Node("c.dll", "C");
  list.Link(first, second);
  list.Link(second, third);
  EXPECT_EQ(Names(ReadPluginList(list.At(first))), "c.dll=C a.dll= b.dll=BBB ");
  EXPECT_TRUE(ReadPluginList(nullptr).empty());
  EXPECT_TRUE(reports_.empty());
}

TEST_F(PluginListTest, DamageIsReportedAndEndsTheList) {
  struct Case {
    const char* what;
    std::string name;
    int64_t length;
    bool circle;
    const char* report;  // null: the node is read
    const char* installed;
  };
  const std::string cut =
      "The application could not be loaded because its image is damaged: "
      "a plug-in of the list is cut short.";
  const std::string nameless =
      "The application could not be loaded because its image is "
      "damaged: a plug-in has no usable file name.";
  const std::string circle =
      "The application could not be loaded because its image is "
      "damaged: the plug-in list runs in a circle.";
  const Case cases[] = {
      {"length below the name's header", "x.dll", 4, false, cut.c_str(), "ok.dll=OK "},
      {"name longer than the length", "long-name.dll", 8, false, cut.c_str(), "ok.dll=OK "},
      {"empty name", "", -1, false, nameless.c_str(), "tail.dll=T ok.dll=OK "},
      {"name with a folder", "..\\evil.dll", -1, false, nameless.c_str(), "tail.dll=T ok.dll=OK "},
      {"a circle", "again.dll", -1, true, circle.c_str(), "again.dll=X ok.dll=OK "},
  };
  for (const Case& c : cases) {
    reports_.clear();
    ListBuilder list;
    size_t ok = list.Node("ok.dll", "OK");
    size_t odd = list.Node(c.name, "X", c.length);
    size_t tail = list.Node("tail.dll", "T");
    list.Link(ok, odd);
    list.Link(odd, c.circle ? ok : tail);
    EXPECT_EQ(Names(ReadPluginList(list.At(ok))), c.installed) << c.what;
    EXPECT_EQ(reports_, std::vector<std::string>{c.report}) << c.what;
  }
}

}  // namespace
}  // namespace tess::image
