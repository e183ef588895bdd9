// The NotePlayer's device logic: the device opened with the first player
// and closed with the last, channels handed out lowest first, the messages
// sent, checked whole against a port that records them; then the same
// through the host's MIDI output and its recording.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "comm/note_player.h"
#include "media_recording.h"

namespace tess::comm {
namespace {

std::vector<std::string> g_sent;
bool g_deviceWorks = true;

const MidiPort kRecordingPort{
    [] {
      g_sent.push_back(g_deviceWorks ? "open" : "open failed");
      return g_deviceWorks;
    },
    [](uint32_t message) {
      char text[16];
      std::snprintf(text, sizeof text, "%06X", unsigned(message));
      g_sent.push_back(text);
    },
    [] { g_sent.push_back("close"); },
};

class NotePlayerDevice : public testing::Test {
 protected:
  void SetUp() override {
    g_sent.clear();
    g_deviceWorks = true;
    SetMidiPort(&kRecordingPort);
  }
  void TearDown() override {
    while (!players_.empty()) Destroy(players_.size() - 1);
    SetMidiPort(nullptr);
    EXPECT_EQ(LiveNotePlayers(), 0);
  }
  NotePlayerFields* Create() {
    players_.push_back(NotePlayerFields{-1, 0, 0});
    NotePlayerCreated(&players_.back());
    return &players_.back();
  }
  void Destroy(size_t i) {
    NotePlayerDestroyed(&players_[i]);
    players_.erase(players_.begin() + long(i));
  }
  std::deque<NotePlayerFields> players_;  // stable addresses
};

TEST_F(NotePlayerDevice, FirstPlayerOpensAndPlaysNotes) {
  NotePlayerFields* p = Create();
  ASSERT_TRUE(p->hasChannel);
  EXPECT_EQ(p->channel, 0);
  PlayNote(p, 60, 100);
  PlayNote(p, 60, 0);
  SetInstrument(p, 0);  // the current value: nothing
  SetInstrument(p, 19);
  SetInstrument(p, 19);
  EXPECT_EQ(p->instrument, 19);
  Destroy(0);
  std::vector<std::string> expected = {"open", "643C90", "403C80", "0013C0", "close"};
  EXPECT_EQ(g_sent, expected);
}

TEST_F(NotePlayerDevice, DataBytesAreHeldToSevenBits) {
  NotePlayerFields* p = Create();
  PlayNote(p, 200, 300);
  PlayNote(p, -4, 5);
  SetInstrument(p, 1000);
  PlayNote(p, 61, -1);  // no velocity left: a note-off
  std::vector<std::string> expected = {"open", "7F7F90", "050090", "007FC0", "403D80"};
  EXPECT_EQ(g_sent, expected);
  EXPECT_EQ(p->instrument, 1000);
}

TEST_F(NotePlayerDevice, SeventeenPlayersGetSixteenChannels) {
  for (int i = 0; i < 17; ++i) Create();
  for (int i = 0; i < 16; ++i) {
    EXPECT_TRUE(players_[size_t(i)].hasChannel);
    EXPECT_EQ(players_[size_t(i)].channel, i);
  }
  EXPECT_FALSE(players_[16].hasChannel);
  EXPECT_EQ(players_[9].channel, 9);  // percussion goes to the tenth like any other
  g_sent.clear();
  for (NotePlayerFields& p : players_) PlayNote(&p, 64, 90);
  SetInstrument(&players_[16], 5);
  EXPECT_EQ(players_[16].instrument, 5);
  ASSERT_EQ(g_sent.size(), 16u);
  for (int i = 0; i < 16; ++i) {
    char expected[16];
    std::snprintf(expected, sizeof expected, "5A409%X", i);
    EXPECT_EQ(g_sent[size_t(i)], expected);
  }
}

TEST_F(NotePlayerDevice, FreedChannelsAreReusedLowestFirst) {
  Create();
  Create();
  Create();
  Destroy(1);  // frees channel 1
  NotePlayerFields* next = Create();
  EXPECT_EQ(next->channel, 1);
  NotePlayerFields* after = Create();
  EXPECT_EQ(after->channel, 3);
  // The seventeenth waiting player does not get a channel freed later.
  while (players_.size() < 17) Create();
  EXPECT_FALSE(players_.back().hasChannel);
  Destroy(0);
  EXPECT_FALSE(players_.back().hasChannel);
  EXPECT_EQ(Create()->channel, 0);
}

TEST_F(NotePlayerDevice, DeviceClosesWithTheLastPlayerAndReopens) {
  Create();
  Create();
  Destroy(0);
  EXPECT_TRUE(MidiDeviceOpen());
  Destroy(0);
  EXPECT_FALSE(MidiDeviceOpen());
  Create();
  std::vector<std::string> expected = {"open", "close", "open"};
  EXPECT_EQ(g_sent, expected);
}

TEST_F(NotePlayerDevice, WithoutADevicePlayersAreSilent) {
  g_deviceWorks = false;
  NotePlayerFields* p = Create();
  EXPECT_FALSE(p->hasChannel);
  PlayNote(p, 60, 100);
  SetInstrument(p, 7);
  EXPECT_EQ(p->instrument, 7);
  Destroy(0);
  std::vector<std::string> expected = {"open failed"};
  EXPECT_EQ(g_sent, expected);
}

// The host's device: the messages reach the MIDI output on the players'
// channels, as its recording shows.
TEST(NotePlayerHost, NotesReachTheRecordingOnTheirChannels) {
  using namespace test::recording;
  Prefix();
  Mark mark;
  std::deque<NotePlayerFields> players(17, NotePlayerFields{-1, 0, 0});
  for (NotePlayerFields& p : players) NotePlayerCreated(&p);
  SetInstrument(&players[2], 40);
  PlayNote(&players[2], 67, 80);
  PlayNote(&players[15], 36, 127);
  PlayNote(&players[16], 50, 50);  // no channel: nothing
  PlayNote(&players[2], 67, 0);
  for (NotePlayerFields& p : players) NotePlayerDestroyed(&p);
  std::vector<std::string> expected = {"midi-open",         "program 2 40",     "note-on 2 67 80",
                                       "note-on 15 36 127", "note-off 2 67 64", "midi-reset",
                                       "midi-close"};
  EXPECT_EQ(mark.Lines(), expected);
}

}  // namespace
}  // namespace tess::comm
