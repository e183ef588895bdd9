// Helpers for the file tests: drive D: mapped onto a fresh folder, objects
// owned by the test, host files read and written directly.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "base/owned.h"
#include "files/file_classes.h"
#include "platform/kernel/file_system.h"
#include "runtime/framework_classes.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "tessera/runtime.h"
#include "test_support.h"

namespace tess::test {

using Obj = Owned<TessObject, UnlockObject>;
inline Obj Adopt(TessObject* o) {
  return Obj::Adopt(o);
}

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkValueAndFileClasses();
    std::string drives = "D=" + dir_.path().string() + ";C=" + c_.path().string();
    ::setenv("TESSERA_DRIVES", drives.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (c_.path() / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (c_.path() / "config").c_str(), 1);
    ::setenv("TESSERA_OPENER", "record", 1);
    platform::ReloadDriveMap();
  }
  void TearDown() override {
    ::unsetenv("TESSERA_DRIVES");
    platform::ReloadDriveMap();
  }

  std::string Host(const std::string& name) const { return dir_.File(name); }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(Host(name), std::ios::binary) << bytes;
  }
  std::string Get(const std::string& name) const {
    std::ifstream in(Host(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // A FolderItem for a path on D:.
  Obj Item(const std::string& path) const { return Adopt(RuntimeGetFolderItem(S(path).get())); }
  static int32_t LastError(const Obj& item) { return intGetter(item.get(), 20); }
  static std::string Path(const Obj& item) {
    return Text(Take(fileAbsolutePathGetter(item.get(), 0)).get());
  }
  static std::string Name(const Obj& item) {
    return Text(Take(fileNameGetter(item.get(), 0)).get());
  }

  TempDir dir_, c_;
};

}  // namespace tess::test
