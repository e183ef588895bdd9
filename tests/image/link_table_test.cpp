// The link table against the runtime's published list of entry-point names,
// and its two lookups.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <string>

#include "image/link_table.h"
#include "tessera/runtime.h"

namespace tess::image {
namespace {

// Names from the tab-separated list (group, name), or empty when the list is
// not beside the source tree.
std::set<std::string> PublishedNames() {
  std::set<std::string> names;
  const char* source = std::getenv("TESSERA_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/../shared/link-table-names.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    names.insert(tab == std::string::npos ? line : line.substr(tab + 1));
  }
  return names;
}

TEST(LinkTable, HoldsOnlyPublishedNames) {
  std::set<std::string> published = PublishedNames();
  if (published.empty()) GTEST_SKIP() << "link-table-names.tsv is not beside the source tree";
  std::set<std::string> seen;
  for (const LinkRecord& record : LinkTableRecords()) {
    ASSERT_NE(record.name, nullptr);
    EXPECT_TRUE(published.count(record.name)) << record.name << " is not a published entry point";
    EXPECT_LE(std::string(record.name).size(), 38u) << record.name;
    EXPECT_NE(record.entry, nullptr) << record.name;
    EXPECT_EQ(record.reserved[0] | record.reserved[1], 0u) << record.name;
    EXPECT_TRUE(seen.insert(record.name).second) << record.name << " is listed twice";
  }
  std::printf("link table coverage: %zu of %zu published entry points (%.1f%%)\n", seen.size(),
              published.size(), 100.0 * double(seen.size()) / double(published.size()));
}

TEST(LinkTable, RecordsAreFollowedByTheirCount) {
  auto records = LinkTableRecords();
  ASSERT_FALSE(records.empty());
  auto count = *reinterpret_cast<const uint32_t*>(records.data() + records.size());
  EXPECT_EQ(count, records.size());
  EXPECT_EQ(sizeof(LinkRecord), 16u);
}

TEST(LinkTable, ImageLookupIgnoresLetterCaseAndTheEmptyName) {
  const LinkRecord* exact = FindLinkRecord("RuntimeMsgBox");
  ASSERT_NE(exact, nullptr);
  EXPECT_EQ(exact->entry, reinterpret_cast<void*>(&RuntimeMsgBox));
  EXPECT_EQ(FindLinkRecord("runtimemsgbox"), exact);
  EXPECT_EQ(FindLinkRecord("RUNTIMEMSGBOX"), exact);
  EXPECT_EQ(FindLinkRecord(""), nullptr);
  EXPECT_EQ(FindLinkRecord("RuntimeMsgBo"), nullptr);
  EXPECT_EQ(FindLinkRecord("RuntimeMsgBoxx"), nullptr);
}

TEST(LinkTable, PluginLookupAgreesWithTheImageLookup) {
  for (const LinkRecord& record : LinkTableRecords()) {
    EXPECT_EQ(FindPluginEntry(record.name), FindLinkRecord(record.name)->entry) << record.name;
  }
  EXPECT_EQ(FindPluginEntry("runtimeMSGBOX"), reinterpret_cast<void*>(&RuntimeMsgBox));
  EXPECT_EQ(FindPluginEntry(""), nullptr);
  EXPECT_EQ(FindPluginEntry("NoSuchEntry"), nullptr);
}

}  // namespace
}  // namespace tess::image
