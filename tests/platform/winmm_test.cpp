// MIDI and wave output checked through the recording: the log lines each
// operation writes, and the mixed samples in the recorded WAV file.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "media_recording.h"
#include "platform/winmm/mmsystem.h"

namespace tess::platform {
namespace {

using namespace test::recording;

WAVEFORMATEX Pcm16(WORD channels, DWORD rate) {
  return {WAVE_FORMAT_PCM, channels, rate, rate * channels * 2u, WORD(channels * 2), 16, 0};
}

struct PlayedWave {
  std::vector<int16_t> left, right;
  std::vector<std::string> lines;
};

// Plays `samples` once (or `loops` times) on a fresh handle and records it.
PlayedWave Play(const std::vector<int16_t>& samples, WAVEFORMATEX format, DWORD volume,
                DWORD loops = 0) {
  Mark mark;
  HWAVEOUT out = nullptr;
  EXPECT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutSetVolume(out, volume), MMSYSERR_NOERROR);
  WAVEHDR h{};
  h.lpData = const_cast<char*>(reinterpret_cast<const char*>(samples.data()));
  h.dwBufferLength = DWORD(samples.size() * 2);
  if (loops) {
    h.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    h.dwLoops = loops;
  }
  EXPECT_EQ(waveOutPrepareHeader(out, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(out, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_TRUE(WaitDone(h));
  EXPECT_EQ(waveOutUnprepareHeader(out, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  std::vector<int16_t> mix = mark.Samples();
  return {NonZeroRun(Channel(mix, 0)), NonZeroRun(Channel(mix, 1)), mark.Lines()};
}

TEST(MidiOut, MessagesAreRecordedOnePerLine) {
  Prefix();
  Mark mark;
  HMIDIOUT out = nullptr;
  ASSERT_EQ(midiOutGetNumDevs(), 1u);
  ASSERT_EQ(midiOutOpen(&out, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  const DWORD messages[] = {0x0005C1, 0x643C91, 0x403C81, 0x0A07B2,
                            0x4000E3, 0x0040D4, 0x207FA5, 0x0000F8};
  for (DWORD m : messages) EXPECT_EQ(midiOutShortMsg(out, m), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutShortMsg(out, 0x003C64), MMSYSERR_INVALPARAM);  // no status byte
  EXPECT_EQ(midiOutReset(out), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutClose(out), MMSYSERR_NOERROR);
  std::vector<std::string> expected = {"midi-open",
                                       "program 1 5",
                                       "note-on 1 60 100",
                                       "note-off 1 60 64",
                                       "control 2 7 10",
                                       "pitch-bend 3 8192",
                                       "channel-pressure 4 64",
                                       "key-pressure 5 127 32",
                                       "midi-message 0x0000F8",
                                       "midi-reset",
                                       "midi-close"};
  EXPECT_EQ(mark.Lines(), expected);
}

TEST(MidiOut, BadDevicesAndStaleHandlesAreRefused) {
  Prefix();
  HMIDIOUT out = nullptr;
  EXPECT_EQ(midiOutOpen(&out, 1, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(midiOutOpen(nullptr, 0, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
  ASSERT_EQ(midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  ASSERT_EQ(midiOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(midiOutShortMsg(out, 0x643C90), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutClose(out), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(midiOutShortMsg(nullptr, 0x643C90), MMSYSERR_INVALHANDLE);
}

TEST(MidiOut, NoteIsRenderedBySynthesizer) {
  Prefix();
  if (access("/usr/share/sounds/sf2/TimGM6mb.sf2", R_OK) != 0 && !getenv("TESSERA_SOUNDFONT"))
    GTEST_SKIP() << "no sound font";
  Mark mark;
  HMIDIOUT out = nullptr;
  ASSERT_EQ(midiOutOpen(&out, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  midiOutShortMsg(out, 0x7F4590);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  midiOutShortMsg(out, 0x404580);
  midiOutClose(out);
  EXPECT_FALSE(NonZeroRun(mark.Samples()).empty());
}

TEST(WaveOut, SamplesReachTheMixUnchanged) {
  Prefix();
  std::vector<int16_t> ramp = Ramp(3000);
  PlayedWave p = Play(ramp, Pcm16(1, 44100), 0xFFFFFFFF);
  EXPECT_EQ(p.left, ramp);
  EXPECT_EQ(p.right, ramp);
  std::vector<std::string> expected = {"wave-open 1 44100", "wave-volume 65535 65535",
                                       "wave-write 3000 1", "wave-close"};
  EXPECT_EQ(p.lines, expected);
}

TEST(WaveOut, VolumeScalesEachSide) {
  Prefix();
  std::vector<int16_t> ramp = Ramp(1000);
  PlayedWave p = Play(ramp, Pcm16(1, 44100), 0x7FFF0000 | 0xFFFF);
  EXPECT_EQ(p.left, ramp);
  ASSERT_EQ(p.right.size(), ramp.size());
  for (size_t i = 0; i < ramp.size(); ++i) ASSERT_EQ(p.right[i], ramp[i] * 0x7FFF / 0xFFFF) << i;
  PlayedWave silent = Play(ramp, Pcm16(1, 44100), 0xFFFF);
  EXPECT_EQ(silent.left, ramp);
  EXPECT_TRUE(silent.right.empty());
}

TEST(WaveOut, StereoKeepsItsSidesAndLoopsRepeat) {
  Prefix();
  std::vector<int16_t> stereo;
  for (int i = 0; i < 800; ++i) {
    stereo.push_back(int16_t(1000 + i));
    stereo.push_back(int16_t(-1000 - i));
  }
  PlayedWave p = Play(stereo, Pcm16(2, 44100), 0xFFFFFFFF, 3);
  ASSERT_EQ(p.left.size(), 2400u);
  for (size_t i = 0; i < 2400; ++i) {
    ASSERT_EQ(p.left[i], 1000 + int(i % 800)) << i;
    ASSERT_EQ(p.right[i], -1000 - int(i % 800)) << i;
  }
  EXPECT_EQ(p.lines[2], "wave-write 800 3");
}

TEST(WaveOut, HalfRateIsInterpolated) {
  Prefix();
  std::vector<int16_t> source = {1000, 3000, 5000, 7000};
  PlayedWave p = Play(source, Pcm16(1, 22050), 0xFFFFFFFF);
  std::vector<int16_t> expected = {1000, 2000, 3000, 4000, 5000, 6000, 7000, 7000};
  EXPECT_EQ(p.left, expected);
}

TEST(WaveOut, ResetEndsAnEndlessLoop) {
  Prefix();
  std::vector<int16_t> ramp = Ramp(500);
  WAVEFORMATEX format = Pcm16(1, 44100);
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveOutOpen(&out, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  WAVEHDR h{reinterpret_cast<char*>(ramp.data()), 1000,           0,       0,
            WHDR_BEGINLOOP | WHDR_ENDLOOP,        INFINITE_LOOPS, nullptr, 0};
  EXPECT_EQ(waveOutWrite(out, &h, sizeof h), WAVERR_UNPREPARED);
  ASSERT_EQ(waveOutPrepareHeader(out, &h, sizeof h), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(out, &h, sizeof h), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(out, &h, sizeof h), MMSYSERR_INVALPARAM);  // already queued
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(WaveHeaderDone(&h));
  EXPECT_EQ(waveOutUnprepareHeader(out, &h, sizeof h), MMSYSERR_INVALPARAM);
  ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
  EXPECT_TRUE(WaveHeaderDone(&h));
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutReset(out), MMSYSERR_INVALHANDLE);
}

TEST(WaveOut, FormatsOutsidePcm16AreRefused) {
  Prefix();
  HWAVEOUT out = nullptr;
  WAVEFORMATEX eight = Pcm16(1, 44100);
  eight.wBitsPerSample = 8;
  WAVEFORMATEX six = Pcm16(6, 44100);
  WAVEFORMATEX zero = Pcm16(2, 0);
  for (const WAVEFORMATEX* f : {&eight, &six, &zero, static_cast<WAVEFORMATEX*>(nullptr)})
    EXPECT_EQ(waveOutOpen(&out, 0, f, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
}

// Sound files written by libsndfile itself, then decoded from memory.
std::vector<uint8_t> WriteSoundFile(int format, int channels, const std::vector<int16_t>& samples) {
  std::string path = Prefix() + "_file";
  SF_INFO info{};
  info.samplerate = 22050;
  info.channels = channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
  if (!f) return {};
  sf_writef_short(f, samples.data(), sf_count_t(samples.size()) / channels);
  sf_close(f);
  std::string bytes = ReadAll(path);
  std::remove(path.c_str());
  return {bytes.begin(), bytes.end()};
}

TEST(DecodeSound, ReadsEveryContainerLibsndfileWrites) {
  struct Case {
    const char* name;
    int format;
    bool lossless;
  } cases[] = {
      {"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, true},
      {"aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, true},
      {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, true},
      {"ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, false},
  };
  std::vector<int16_t> stereo;
  for (int i = 0; i < 4000; ++i) {
    stereo.push_back(int16_t(8000 * ((i / 50) % 2 ? 1 : -1)));
    stereo.push_back(int16_t(i));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DecodedSound sound;
    std::string error;
    ASSERT_TRUE(DecodeSound(WriteSoundFile(c.format, 2, stereo), &sound, &error)) << error;
    EXPECT_EQ(sound.format.nChannels, 2);
    EXPECT_EQ(sound.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(sound.format.nBlockAlign, 4);
    if (c.lossless)
      EXPECT_EQ(sound.samples, stereo);
    else
      EXPECT_EQ(sound.samples.size(), stereo.size());
  }
}

TEST(DecodeSound, MoreChannelsAreMixedDownToTwo) {
  std::vector<int16_t> quad = {100, 10, 300, 30, -100, -10, -300, -30};
  DecodedSound sound;
  std::string error;
  ASSERT_TRUE(
      DecodeSound(WriteSoundFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 4, quad), &sound, &error));
  std::vector<int16_t> expected = {200, 20, -200, -20};
  EXPECT_EQ(sound.samples, expected);
}

TEST(DecodeSound, RefusesWhatIsNotASound) {
  std::vector<uint8_t> wav = WriteSoundFile(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, Ramp(100));
  std::vector<std::vector<uint8_t>> bad = {
      {},
      {'R', 'I', 'F', 'F'},
      std::vector<uint8_t>(wav.begin(), wav.begin() + 30),
      std::vector<uint8_t>(1000, 0xAB),
  };
  for (const auto& bytes : bad) {
    DecodedSound sound;
    std::string error;
    EXPECT_FALSE(DecodeSound(bytes, &sound, &error));
    EXPECT_FALSE(error.empty());
  }
  // A cut data chunk gives what is there.
  DecodedSound cut;
  std::string error;
  ASSERT_TRUE(DecodeSound(std::span(wav).first(wav.size() - 50), &cut, &error)) << error;
  EXPECT_EQ(cut.samples.size(), 75u);
  // So does a data chunk that claims two gigabytes.
  std::vector<uint8_t> forged = wav;
  for (size_t at : {size_t(4), size_t(40)}) forged[at + 3] = 0x7F;
  DecodedSound claimed;
  ASSERT_TRUE(DecodeSound(forged, &claimed, &error)) << error;
  EXPECT_EQ(claimed.samples.size(), 100u);
}

}  // namespace
}  // namespace tess::platform
