// Sound objects from sound file bytes, played through the host's wave
// output and checked in its recording; the project item builders of sounds
// and movies.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "comm/media.h"
#include "comm/movie.h"
#include "comm/sound.h"
#include "files/file_classes.h"
#include "files/folder_item.h"
#include "media_recording.h"
#include "runtime/objects.h"
#include "runtime/project_items.h"
#include "tessera/runtime.h"
#include "test_support.h"

namespace tess::comm {
namespace {

using namespace test::recording;
using test::AppendLe16;
using test::AppendLe32;

// A 16-bit PCM WAV file.
std::vector<uint8_t> Wav(const std::vector<int16_t>& samples, uint16_t channels, uint32_t rate) {
  std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
  AppendLe32(b, uint32_t(36 + samples.size() * 2));
  for (char c : std::string("WAVEfmt ")) b.push_back(uint8_t(c));
  AppendLe32(b, 16);
  AppendLe16(b, 1);
  AppendLe16(b, channels);
  AppendLe32(b, rate);
  AppendLe32(b, rate * channels * 2);
  AppendLe16(b, uint16_t(channels * 2));
  AppendLe16(b, 16);
  for (char c : std::string("data")) b.push_back(uint8_t(c));
  AppendLe32(b, uint32_t(samples.size() * 2));
  for (int16_t s : samples) AppendLe16(b, uint16_t(s));
  return b;
}

// A project item record: kind, byte count, bytes.
std::vector<uint8_t> Item(uint32_t kind, const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> r;
  AppendLe32(r, kind);
  AppendLe32(r, uint32_t(bytes.size()));
  r.insert(r.end(), bytes.begin(), bytes.end());
  return r;
}

class Media : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    Prefix();
    InitFrameworkValueAndFileClasses();
    InitMedia();
  }
  static ObjectRef MakeSound(const std::vector<uint8_t>& bytes) {
    std::string error;
    TessObject* sound = NewSound(bytes, &error);
    EXPECT_NE(sound, nullptr) << error;
    return ObjectRef::Adopt(sound);
  }
  static bool WaitSilent(TessObject* sound) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (soundIsPlaying(sound)) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
};

TEST_F(Media, PlayedSamplesReachTheOutput) {
  std::vector<int16_t> ramp = Ramp(2000);
  ObjectRef sound = MakeSound(Wav(ramp, 1, 44100));
  Mark mark;
  EXPECT_FALSE(soundIsPlaying(sound.get()));
  soundPlay(sound.get());
  EXPECT_TRUE(soundIsPlaying(sound.get()));
  ASSERT_TRUE(WaitSilent(sound.get()));
  std::vector<int16_t> mix = mark.Samples();
  EXPECT_EQ(NonZeroRun(Channel(mix, 0)), ramp);
  EXPECT_EQ(NonZeroRun(Channel(mix, 1)), ramp);
  std::vector<std::string> expected = {"wave-open 1 44100", "wave-volume 65535 65535",
                                       "wave-write 2000 1"};
  EXPECT_EQ(mark.Lines(), expected);
}

TEST_F(Media, PanAndVolumeScaleTheSides) {
  std::vector<int16_t> ramp = Ramp(1000);
  ObjectRef sound = MakeSound(Wav(ramp, 1, 44100));
  SoundVolumeSetter(sound.get(), 0, 50);
  SoundPanSetter(sound.get(), 0, -100);
  Mark mark;
  soundPlay(sound.get());
  ASSERT_TRUE(WaitSilent(sound.get()));
  std::vector<int16_t> left = NonZeroRun(Channel(mark.Samples(), 0));
  ASSERT_EQ(left.size(), ramp.size());
  for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(left[i], ramp[i] * 0x7FFF / 0xFFFF);
  EXPECT_TRUE(NonZeroRun(Channel(mark.Samples(), 1)).empty());
}

TEST_F(Media, VolumeAndPanGains) {
  struct Case {
    int32_t volume, pan;
    uint32_t left, right;
  } cases[] = {
      {100, 0, 0xFFFF, 0xFFFF},  {50, 0, 0x7FFF, 0x7FFF},
      {100, -100, 0xFFFF, 0},    {100, 100, 0, 0xFFFF},
      {100, 50, 0x7FFF, 0xFFFF}, {0, 30, 0, 0},
      {150, -300, 0xFFFF, 0},    {-5, 0, 0, 0},
  };
  for (const Case& c : cases) {
    uint32_t left, right;
    SoundGains(c.volume, c.pan, &left, &right);
    EXPECT_EQ(left, c.left) << c.volume << " " << c.pan;
    EXPECT_EQ(right, c.right) << c.volume << " " << c.pan;
  }
  ObjectRef sound = MakeSound(Wav(Ramp(10), 1, 8000));
  EXPECT_EQ(SoundVolumeGetter(sound.get(), 0), 100);
  EXPECT_EQ(SoundPanGetter(sound.get(), 0), 0);
  SoundVolumeSetter(sound.get(), 0, 400);
  SoundPanSetter(sound.get(), 0, -101);
  EXPECT_EQ(SoundVolumeGetter(sound.get(), 0), 100);
  EXPECT_EQ(SoundPanGetter(sound.get(), 0), -100);
}

TEST_F(Media, LoopingPlaysUntilStoppedAndPlayRestarts) {
  ObjectRef sound = MakeSound(Wav(Ramp(300), 2, 22050));
  Mark mark;
  soundPlayLooping(sound.get());
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_TRUE(soundIsPlaying(sound.get()));
  soundPlay(sound.get());
  soundStop(sound.get());
  EXPECT_FALSE(soundIsPlaying(sound.get()));
  soundStop(sound.get());
  std::vector<std::string> expected = {"wave-open 2 22050",       "wave-volume 65535 65535",
                                       "wave-write 150 infinite", "wave-reset",
                                       "wave-write 150 1",        "wave-reset"};
  EXPECT_EQ(mark.Lines(), expected);
}

TEST_F(Media, DestroyingAPlayingSoundClosesItsOutput) {
  Mark mark;
  {
    ObjectRef sound = MakeSound(Wav(Ramp(100), 1, 44100));
    soundPlayLooping(sound.get());
  }
  std::vector<std::string> expected = {"wave-open 1 44100", "wave-volume 65535 65535",
                                       "wave-write 100 infinite", "wave-reset", "wave-close"};
  EXPECT_EQ(mark.Lines(), expected);
}

TEST_F(Media, SoundItemsAndFilesMakeSounds) {
  ProjectItemBuilder build = ProjectItemBuilderFor(kSoundItem);
  ASSERT_NE(build, nullptr);
  std::vector<uint8_t> good = Item(kSoundItem, Wav(Ramp(50), 1, 11025));
  ObjectRef sound = ObjectRef::Adopt(build(good.data()));
  ASSERT_NE(sound.get(), nullptr);
  EXPECT_TRUE(IsA(sound.get(), SoundClass()));
  std::vector<uint8_t> notSound = Item(kSoundItem, {1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ(build(notSound.data()), nullptr);

  test::TempDir dir;
  test::WriteFile(dir.File("beep.wav"), Wav(Ramp(50), 1, 11025));
  test::WriteFile(dir.File("text.txt"), {'h', 'i'});
  for (auto [name, works] : {std::pair{"beep.wav", true}, {"text.txt", false}, {"none", false}}) {
    ObjectRef item = ObjectRef::Adopt(NewFolderItem(std::string_view(dir.File(name))));
    ObjectRef opened = ObjectRef::Adopt(FolderItemOpenSound(item.get()));
    EXPECT_EQ(opened.get() != nullptr, works) << name;
  }
  EXPECT_EQ(FolderItemOpenSound(nullptr), nullptr);
}

TEST_F(Media, NilSoundsAreIgnored) {
  soundPlay(nullptr);
  soundStop(nullptr);
  EXPECT_FALSE(soundIsPlaying(nullptr));
  SoundVolumeSetter(nullptr, 0, 5);
}

TEST_F(Media, MovieItemsMakeMovies) {
  ProjectItemBuilder build = ProjectItemBuilderFor(kMovieItem);
  ASSERT_NE(build, nullptr);
  std::ifstream clip(std::string(std::getenv("TESSERA_SOURCE_DIR")) + "/tests/data/comm/clip.avi",
                     std::ios::binary);
  std::vector<uint8_t> record =
      Item(kMovieItem, std::vector<uint8_t>(std::istreambuf_iterator<char>(clip), {}));
  ObjectRef movie = ObjectRef::Adopt(build(record.data()));
  ASSERT_NE(movie.get(), nullptr);
  EXPECT_EQ(movieWidthGetter(movie.get(), 0), 320);
  EXPECT_EQ(movieHeightGetter(movie.get(), 0), 240);
  EXPECT_EQ(movieBaseWidthGetter(movie.get(), 0), 320);
  EXPECT_EQ(movieBaseHeightGetter(movie.get(), 0), 240);
  std::vector<uint8_t> text = Item(kMovieItem, {'n', 'o'});
  EXPECT_EQ(build(text.data()), nullptr);
}

}  // namespace
}  // namespace tess::comm
