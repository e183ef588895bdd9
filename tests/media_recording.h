// The media recording as tests read it: TESSERA_AUDIO_RECORD set to a
// per-process prefix before the first output opens, the log lines and mixed
// samples added after a mark, and the files removed when the tests end.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/winmm/mmsystem.h"

namespace tess::test::recording {

inline std::string Prefix() {
  static std::string prefix = [] {
    std::string p = testing::TempDir() + "media_recording_" + std::to_string(getpid());
    setenv("TESSERA_AUDIO_RECORD", p.c_str(), 1);
    return p;
  }();
  return prefix;
}

// The recording is removed when the tests end.
class RemoveRecording : public testing::Environment {
 public:
  void TearDown() override {
    std::remove((Prefix() + ".wav").c_str());
    std::remove((Prefix() + ".log").c_str());
  }
};
inline const testing::Environment* const kRemoveRecording =
    testing::AddGlobalTestEnvironment(new RemoveRecording);

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The recording's log and sample data grow for the whole process; each test
// looks at what was added after its mark.
struct Mark {
  size_t log = ReadAll(Prefix() + ".log").size();
  size_t wav = ReadAll(Prefix() + ".wav").size();

  std::vector<std::string> Lines() const {
    std::istringstream in(ReadAll(Prefix() + ".log").substr(log));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Interleaved stereo samples recorded since the mark.
  std::vector<int16_t> Samples() const {
    std::string bytes = ReadAll(Prefix() + ".wav");
    size_t from = std::max<size_t>(wav, 44);
    std::vector<int16_t> samples((bytes.size() - from) / 2);
    std::memcpy(samples.data(), bytes.data() + from, samples.size() * 2);
    return samples;
  }
};

// A mono signal without zeros, so it is found whole in the mix.
inline std::vector<int16_t> Ramp(size_t n) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = int16_t(100 + (i * 37) % 20000);
  return s;
}

// One channel of the recorded mix.
inline std::vector<int16_t> Channel(const std::vector<int16_t>& stereo, int side) {
  std::vector<int16_t> out;
  for (size_t i = size_t(side); i < stereo.size(); i += 2) out.push_back(stereo[i]);
  return out;
}

// From the first non-zero sample to the last.
inline std::vector<int16_t> NonZeroRun(const std::vector<int16_t>& s) {
  size_t a = 0;
  while (a < s.size() && s[a] == 0) ++a;
  size_t b = s.size();
  while (b > a && s[b - 1] == 0) --b;
  return {s.begin() + long(a), s.begin() + long(b)};
}

// Waits up to ten seconds for the mixer to finish a wave buffer.
inline bool WaitDone(const platform::WAVEHDR& h) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!platform::WaveHeaderDone(&h)) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace tess::test::recording
