// The features whose host libraries are loaded on first use, run where each
// library is a stand-in that exports none of the routines asked of it (this
// program's LD_LIBRARY_PATH): each takes its own failure path, and nothing
// crashes. MIDI still opens and records, and plays nothing; a sound file is
// unreadable; wave output goes to no device, paced by the clock; a print job
// does not start and leaves no file; the X display is not presented; locale
// comparison fails and the locale's separators and pictures are the
// defaults.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "media_recording.h"
#include "platform/gdi/wingdi.h"
#include "platform/kernel/date_format.h"
#include "platform/kernel/locale.h"
#include "platform/user/desktop.h"
#include "platform/winmm/mmsystem.h"
#include "platform/winspool/winspool.h"

namespace tess::platform {
namespace {

using namespace test::recording;

// A whole 16-bit mono WAV file of `samples`.
std::vector<uint8_t> WavFile(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> f;
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) f.push_back(uint8_t(v >> (8 * i)));
  };
  auto tag = [&](const char* t) { f.insert(f.end(), t, t + 4); };
  uint32_t data = uint32_t(samples.size() * 2);
  tag("RIFF"), put(36 + data, 4), tag("WAVE");
  tag("fmt "), put(16, 4), put(WAVE_FORMAT_PCM, 2), put(1, 2), put(22050, 4), put(44100, 4);
  put(2, 2), put(16, 2);
  tag("data"), put(data, 4);
  for (int16_t s : samples) put(uint16_t(s), 2);
  return f;
}

TEST(WithoutLibsndfile, ASoundFileIsUnreadable) {
  DecodedSound sound;
  std::string error;
  EXPECT_FALSE(DecodeSound(WavFile(Ramp(2000)), &sound, &error));
  EXPECT_EQ(error, "sound files cannot be read: libsndfile.so.1 is not installed");
  EXPECT_TRUE(sound.samples.empty());
}

TEST(WithoutFluidSynth, MidiOpensRecordsAndPlaysNothing) {
  Prefix();
  Mark mark;
  HMIDIOUT out = nullptr;
  ASSERT_EQ(midiOutOpen(&out, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutShortMsg(out, 0x7F3C90), MMSYSERR_NOERROR);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(midiOutReset(out), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(mark.Lines(), (std::vector<std::string>{"midi-open", "note-on 0 60 127", "midi-reset",
                                                    "midi-close"}));
  std::vector<int16_t> mix = mark.Samples();
  EXPECT_FALSE(mix.empty()) << "the mixer ran";
  EXPECT_TRUE(NonZeroRun(Channel(mix, 0)).empty()) << "silence";
}

TEST(WithoutAlsa, WaveOutputPlaysToNoDevice) {
  unsetenv("TESSERA_AUDIO_RECORD");  // so the mixer asks for the device
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
  std::vector<int16_t> samples = Ramp(2205);  // a tenth of a second
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  WAVEHDR h{};
  h.lpData = reinterpret_cast<char*>(samples.data());
  h.dwBufferLength = DWORD(samples.size() * 2);
  EXPECT_EQ(waveOutPrepareHeader(out, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(out, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_TRUE(WaitDone(h));
  EXPECT_EQ(waveOutUnprepareHeader(out, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

TEST(WithoutCairo, APrintJobDoesNotStartAndLeavesNoFile) {
  namespace fs = std::filesystem;
  fs::path folder = fs::path(testing::TempDir()) / ("absent_print_" + std::to_string(getpid()));
  setenv("TESSERA_PRINT_FOLDER", folder.c_str(), 1);
  unsetenv("TESSERA_PRINT_QUEUE");
  DEVMODE mode;
  HDC dc = CreateDC("WINSPOOL", nullptr, nullptr, &mode);
  ASSERT_NE(dc, nullptr) << "the page itself needs no library";
  DOCINFO info;
  info.lpszDocName = "Absent";
  EXPECT_EQ(StartDoc(dc, &info), SP_ERROR);
  EXPECT_EQ(StartPage(dc), SP_ERROR);
  EXPECT_EQ(EndDoc(dc), SP_ERROR);
  EXPECT_EQ(AbortDoc(dc), 1);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder));
  fs::remove_all(folder);
}

TEST(WithoutLibX11, TheDesktopIsNotPresented) {
  setenv("TESSERA_DISPLAY", "x11", 1);
  setenv("DISPLAY", ":99", 1);
  EXPECT_FALSE(desktop::PresentIfAsked());
  EXPECT_FALSE(desktop::PresentIfAsked()) << "asked again, tried once";
  EXPECT_TRUE(desktop::PresentedScreens().empty());
}

TEST(WithoutIcuI18n, LocaleServicesFallBack) {
  SetUserLocale("de_DE");
  EXPECT_EQ(CompareStringA(0, "a", "b"), 0) << "no comparison";
  EXPECT_EQ(CompareStringW(NORM_IGNORECASE, u"a", u"A"), 0);
  EXPECT_EQ(DecimalSeparator(), ".");
  EXPECT_EQ(ThousandsSeparator(), ",");
  EXPECT_EQ(GetLocaleInfo(LOCALE_SSHORTDATE), "M/d/yyyy");
  EXPECT_EQ(GetLocaleInfo(LOCALE_STIMEFORMAT), "h:mm:ss tt");
  std::string text;
  SYSTEMTIME date{};
  date.wYear = 2024, date.wMonth = 2, date.wDay = 29;
  EXPECT_TRUE(GetDateFormat(0, date, nullptr, &text));
  EXPECT_EQ(text, "2/29/2024");
}

}  // namespace
}  // namespace tess::platform
