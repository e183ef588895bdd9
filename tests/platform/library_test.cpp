// Host libraries loaded when first used: a table of routines is had whole
// or not at all, and a library is loaded once however many threads ask.
#include <png.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/library.h"

// Declared only to type a routine that no library exports.
extern "C" int tess_routine_no_library_has(int);

namespace tess::platform {
namespace {

#define PNG_ROUTINES(R) R(png_access_version_number) R(png_get_libpng_ver)
struct Png {
  static constexpr const char* kLibrary = "libpng16.so.16";
  TESS_HOST_ROUTINES(PNG_ROUTINES)
};

// The same routines from a library that is not there.
struct AbsentLibrary {
  static constexpr const char* kLibrary = "libtessera-absent.so.1";
  TESS_HOST_ROUTINES(PNG_ROUTINES)
};

// A library that is there, short of one routine.
#define PNG_AND_ABSENT_ROUTINES(R) R(png_access_version_number) R(tess_routine_no_library_has)
struct AbsentRoutine {
  static constexpr const char* kLibrary = "libpng16.so.16";
  TESS_HOST_ROUTINES(PNG_AND_ABSENT_ROUTINES)
};

// Headers that rename their routines per version (as ICU's do) mean the
// renamed one: it is what the library exports.
#define tess_png_version png_access_version_number
#define RENAMED_ROUTINES(R) R(tess_png_version)
struct Renamed {
  static constexpr const char* kLibrary = "libpng16.so.16";
  TESS_HOST_ROUTINES(RENAMED_ROUTINES)
};

TEST(FetchRoutines, ACompleteTableCallsTheLibrary) {
  Png png;
  ASSERT_TRUE(FetchRoutines(Png::kLibrary, &png));
  EXPECT_EQ(png.png_access_version_number(), png_uint_32(PNG_LIBPNG_VER));
  EXPECT_EQ(std::string(png.png_get_libpng_ver(nullptr)), PNG_LIBPNG_VER_STRING);

  Renamed renamed;
  ASSERT_TRUE(FetchRoutines(Renamed::kLibrary, &renamed));
  EXPECT_EQ(renamed.tess_png_version(), png_uint_32(PNG_LIBPNG_VER));
}

TEST(FetchRoutines, AMissingLibraryOrRoutineLeavesEveryPointerNull) {
  AbsentLibrary noLibrary;
  noLibrary.png_access_version_number = &png_access_version_number;  // stale, must go
  EXPECT_FALSE(FetchRoutines(AbsentLibrary::kLibrary, &noLibrary));
  EXPECT_EQ(noLibrary.png_access_version_number, nullptr);
  EXPECT_EQ(noLibrary.png_get_libpng_ver, nullptr);

  AbsentRoutine noRoutine;
  EXPECT_FALSE(FetchRoutines(AbsentRoutine::kLibrary, &noRoutine));
  EXPECT_EQ(noRoutine.png_access_version_number, nullptr) << "found, yet not kept alone";
  EXPECT_EQ(noRoutine.tess_routine_no_library_has, nullptr);
}

TEST(HostRoutines, LoadedOnceForEveryThread) {
  std::vector<const Png*> seen(8, nullptr);
  std::vector<const AbsentRoutine*> absent(8, nullptr);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&, i] {
      seen[i] = HostRoutines<Png>();
      absent[i] = HostRoutines<AbsentRoutine>();
    });
  for (std::thread& t : threads) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i], seen[0]) << "thread " << i;
    EXPECT_EQ(absent[i], nullptr) << "thread " << i;
  }
  EXPECT_EQ(HostRoutines<Png>(), seen[0]);
  EXPECT_EQ(HostRoutines<AbsentLibrary>(), nullptr);
  EXPECT_EQ(seen[0]->png_access_version_number(), png_uint_32(PNG_LIBPNG_VER));
}

}  // namespace
}  // namespace tess::platform
