// Serial objects on pseudo-terminal pairs: the port a Port value opens, the
// framing its properties put on the line as the far end sees it,
// DataAvailable from the run loop's idle polling, and a megabyte each way
// with nothing lost.
#include <gtest/gtest.h>

#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "comm/comm_test_support.h"
#include "comm/serial.h"
#include "comm/sockets_and_serial.h"
#include "platform/kernel/comm.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/value_classes.h"

namespace tess::comm {
namespace {

using test::Log;
using test::PtyPair;

constexpr char kData[] = "DataAvailable";

struct SerialFields {
  ObjectHeader header;
  void* next;
  int32_t handle;
  int16_t baud, bits, stop, parity, port;
  uint8_t xon, cts, dtr, open;
};

std::string Text(TessString* s) {
  std::string out(View(s));
  UnlockString(s);
  return out;
}

class SerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    InitSocketsAndSerial(nullptr);
    handling_ = std::make_unique<test::HandlingClass>(
        SerialClass(), std::initializer_list<std::pair<const char*, void*>>{
                           {kData, (void*)&test::LogEvent<kData>}});
    Log() = test::EventLog{};
    ASSERT_FALSE(pty_.path.empty());
    // COM3 is the pair's line; every other port is missing.
    MapPorts({{3, pty_.path}});
  }
  void TearDown() override {
    for (TessObject* s : serials_) UnlockObject(s);
    unsetenv("TESSERA_COMM_PORTS");
  }
  static void MapPorts(const std::vector<std::pair<int, std::string>>& ports) {
    std::string setting;
    for (int n = 1; n <= 9; ++n) {
      std::string device;
      for (auto& [number, path] : ports)
        if (number == n) device = path;
      setting += "COM" + std::to_string(n) + "=" + device + ";";
    }
    setenv("TESSERA_COMM_PORTS", setting.c_str(), 1);
  }
  TessObject* NewSerial(int port) {
    TessObject* s = CreateObject(handling_->get());
    serials_.push_back(s);
    Log().names.push_back({s, "serial"});
    shortSetter(s, offsetof(SerialFields, port), port);
    return s;
  }
  static SerialFields* F(TessObject* s) { return reinterpret_cast<SerialFields*>(s); }
  termios FarEnd() const {
    termios t{};
    tcgetattr(pty_.master, &t);  // a master reads the line's settings
    return t;
  }

  PtyPair pty_;
  std::unique_ptr<test::HandlingClass> handling_;
  std::vector<TessObject*> serials_;
};

TEST_F(SerialTest, PortValueNamesTheComPortItOpens) {
  TessObject* com1 = NewSerial(0);
  EXPECT_FALSE(serialOpen(com1)) << "COM1 is missing";
  EXPECT_EQ(F(com1)->handle, -1);
  TessString* lost = MakeString("lost");
  serialWrite(com1, lost);  // a port that cannot be opened writes nothing, silently
  UnlockString(lost);

  TessObject* com3 = NewSerial(2);
  ASSERT_TRUE(serialOpen(com3));
  EXPECT_NE(F(com3)->handle, -1);
  EXPECT_TRUE(serialOpen(com3)) << "already open";
  TessObject* again = NewSerial(2);
  EXPECT_FALSE(serialOpen(again)) << "one handle holds a port";
  serialClose(com3);
  EXPECT_EQ(F(com3)->handle, -1);
  EXPECT_TRUE(serialOpen(again));

  MapPorts({{1, pty_.path}});
  serialClose(again);
  EXPECT_TRUE(serialOpen(com1)) << "Port 0 opens COM1";
}

// The property codes and what they configure; the far end of the line
// sees the speed, the stop bits and flow control (a pseudo-terminal keeps
// 8 data bits without parity whatever it is asked).
TEST(SerialLineSettings, PropertyCodes) {
  struct Case {
    int baud, bits, stop, parity;
    LineSettings line;
  };
  const Case cases[] = {
      {8, 3, 0, 0, {9600, 8, 0, 0}},   {14, 3, 0, 0, {57600, 8, 0, 0}},
      {-1, 3, 0, 0, {57600, 8, 0, 0}}, {0, 0, 1, 1, {300, 5, 1, 1}},
      {4, 2, 2, 2, {2400, 7, 2, 2}},   {13, 1, 0, 3, {57600, 6, 0, 0}},
      {12, 9, 7, 9, {38400, 8, 0, 0}}, {7, -1, -1, -1, {7200, 8, 0, 0}},
      {11, 4, 3, 2, {28800, 8, 0, 2}}, {5, 3, 2, 1, {3600, 8, 2, 1}},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(LineSettingsOf(c.baud, c.bits, c.stop, c.parity) == c.line)
        << c.baud << " " << c.bits << " " << c.stop << " " << c.parity;
}

TEST_F(SerialTest, SpeedStopBitsAndFlowControlReachTheLine) {
  struct Case {
    int baud, stop;
    speed_t speed;
    bool twoStop;
  };
  const Case cases[] = {
      {8, 0, B9600, false}, {14, 2, B57600, true}, {-1, 1, B57600, true},
      {0, 0, B300, false},  {10, 2, B19200, true},
  };
  TessObject* serial = NewSerial(2);
  ASSERT_TRUE(serialOpen(serial));
  for (const Case& c : cases) {
    SCOPED_TRACE("baud " + std::to_string(c.baud));
    F(serial)->baud = int16_t(c.baud);
    F(serial)->stop = int16_t(c.stop);
    serialReset(serial);
    termios t = FarEnd();
    EXPECT_EQ(cfgetospeed(&t), c.speed);
    EXPECT_EQ(bool(t.c_cflag & CSTOPB), c.twoStop);
  }
  F(serial)->xon = 1;
  F(serial)->cts = 1;
  serialReset(serial);
  termios t = FarEnd();
  EXPECT_TRUE(t.c_iflag & IXON);
  EXPECT_TRUE(t.c_iflag & IXOFF);
  EXPECT_TRUE(t.c_cflag & CRTSCTS);
  F(serial)->xon = 0;
  F(serial)->cts = 0;
  serialReset(serial);
  t = FarEnd();
  EXPECT_FALSE(t.c_iflag & IXON);
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
}

TEST_F(SerialTest, IdlePollingRaisesDataAvailableOncePerPollThatReceived) {
  TessObject* serial = NewSerial(2);
  ASSERT_TRUE(serialOpen(serial));
  PollSerialPorts();
  EXPECT_TRUE(Log().events.empty());

  ASSERT_EQ(::write(pty_.master, "hello", 5), 5);
  // The open port wakes the message wait: GetMessage returns by itself.
  platform::MSG msg;
  ASSERT_TRUE(test::PumpUntil(
      [&] { return platform::PeekMessage(&msg, nullptr, 0, 0, platform::PM_NOREMOVE) != 0; }));
  ::usleep(20000);  // all five bytes through the line discipline
  PollSerialPorts();
  EXPECT_EQ(Log().events, (std::vector<std::string>{"serial DataAvailable"}));
  PollSerialPorts();
  EXPECT_EQ(Log().events.size(), 1u) << "no new bytes, no event";

  EXPECT_EQ(Text(serialRead(serial, 3)), "hel");
  TessString* rest = stringGetter(serial, 40);  // Lookahead
  EXPECT_EQ(Text(rest), "lo");
  EXPECT_EQ(Text(serialRead(serial, 10)), "lo");
  EXPECT_EQ(Text(serialReadAll(serial)), "");

  ASSERT_EQ(::write(pty_.master, "xyz", 3), 3);
  ::usleep(20000);
  serialFlush(serial);
  EXPECT_EQ(Text(serialReadAll(serial)), "");
  serialClose(serial);
  PollSerialPorts();
  EXPECT_EQ(Text(serialReadAll(serial)), "") << "a closed port reads empty";
}

// A megabyte each way at 115200 baud (the pair does not pace the bytes).
TEST_F(SerialTest, MegabyteEachWayArrivesWhole) {
  TessObject* serial = NewSerial(2);
  ASSERT_TRUE(serialOpen(serial));
  platform::comm::DCB dcb{};
  auto handle = reinterpret_cast<platform::comm::HANDLE>(intptr_t(F(serial)->handle));
  ASSERT_TRUE(platform::comm::GetCommState(handle, &dcb));
  dcb.BaudRate = 115200;
  ASSERT_TRUE(platform::comm::SetCommState(handle, &dcb));
  termios t = FarEnd();
  EXPECT_EQ(cfgetospeed(&t), B115200);

  std::string out(1 << 20, '\0'), in(1 << 20, '\0');
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = char(i * 31 + (i >> 11));
    in[i] = char(i * 17 + (i >> 9));
  }
  std::string farGot;
  std::thread farEnd([&] {
    size_t sent = 0;
    char buffer[65536];
    while (farGot.size() < out.size() || sent < in.size()) {
      bool moved = false;
      if (sent < in.size()) {
        ssize_t n =
            ::write(pty_.master, in.data() + sent, std::min<size_t>(4096, in.size() - sent));
        if (n > 0) sent += size_t(n), moved = true;
      }
      ssize_t r = ::read(pty_.master, buffer, sizeof buffer);
      if (r > 0) farGot.append(buffer, size_t(r)), moved = true;
      if (!moved) ::usleep(500);
    }
  });
  std::string got;
  Log().onEvent = [&](TessObject* o, const std::string&) { got += Text(serialReadAll(o)); };
  TessString* data = MakeString(out);
  serialWrite(serial, data);
  UnlockString(data);
  for (int i = 0; i < 20000 && got.size() < in.size(); ++i) {
    PollSerialPorts();
    if (got.size() < in.size()) ::usleep(1000);
  }
  farEnd.join();
  Log().onEvent = nullptr;
  EXPECT_EQ(got.size(), in.size());
  EXPECT_TRUE(got == in);
  EXPECT_EQ(farGot.size(), out.size());
  EXPECT_TRUE(farGot == out);
}

TEST_F(SerialTest, PortsAreCountedAndDescribedFromTheFirstThatExists) {
  EXPECT_EQ(getSerialPortCount(), 1);
  MapPorts({{2, pty_.path}});
  TessObject* port = getSerialPort(0);
  ASSERT_NE(port, nullptr) << "getSerialPort(0) with only COM2 gives COM2";
  EXPECT_EQ(Text(stringGetter(port, 16)), "COM2");
  EXPECT_EQ(intGetter(port, 28), 115200);

  // A Serial with that SerialPort opens its driver name, not Port.
  TessObject* serial = NewSerial(5);
  objSetter(serial, 48, port);
  EXPECT_TRUE(serialOpen(serial));
  UnlockObject(port);
  EXPECT_EQ(getSerialPort(2), nullptr);
  EXPECT_EQ(getSerialPort(-1), nullptr);
  EXPECT_EQ(getSerialPort(10), nullptr);
}

}  // namespace
}  // namespace tess::comm
