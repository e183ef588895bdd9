// Socket objects over loopback: a client and a server in one process, and
// peers that are plain host sockets, with the events each side sees in
// order and the error codes of refused, reset and closed connections.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "comm/comm_test_support.h"
#include "comm/socket.h"
#include "comm/sockets_and_serial.h"
#include "platform/user/winuser.h"
#include "runtime/objects.h"
#include "runtime/runtime_test_support.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/value_classes.h"

namespace tess::comm {
namespace {

using test::Log;
using test::PumpUntil;

constexpr char kConnected[] = "Connected", kError[] = "Error", kData[] = "DataAvailable",
               kSent[] = "SendComplete";

std::string Text(TessString* s) {
  std::string out(View(s));
  UnlockString(s);
  return out;
}

// A host socket: the peer that is not this runtime.
struct HostSocket {
  int fd = -1;
  ~HostSocket() {
    if (fd >= 0) ::close(fd);
  }
  static sockaddr_in Loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
  }
  // Listens on a free loopback port and answers it.
  int Listen() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(0);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 4);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    return ntohs(a.sin_port);
  }
  bool Connect(int port) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = Loopback(port);
    return ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  }
};

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitFrameworkAndValueClasses();
    InitSocketsAndSerial(nullptr);
    handling_ = std::make_unique<test::HandlingClass>(
        SocketClass(), std::initializer_list<std::pair<const char*, void*>>{
                           {kConnected, (void*)&test::LogEvent<kConnected>},
                           {kError, (void*)&test::LogEvent<kError>},
                           {kData, (void*)&test::LogEvent<kData>},
                           {kSent, (void*)&test::LogEvent<kSent>}});
    Log() = test::EventLog{};
  }
  void TearDown() override {
    for (TessObject* s : sockets_) UnlockObject(s);
    sockets_.clear();
    EXPECT_FALSE(WinsockLoaded()) << "the last socket gone unloads WinSock";
  }

  TessObject* NewSocket(const std::string& name) {
    TessObject* s = CreateObject(handling_->get());
    sockets_.push_back(s);
    Log().names.push_back({s, name});
    return s;
  }
  static void SetTarget(TessObject* s, const std::string& address, int port) {
    TessString* a = MakeString(address);
    stringSetter(s, offsetof(SocketFields, address), a);
    UnlockString(a);
    intSetter(s, offsetof(SocketFields, port), port);
  }
  static int32_t LastError(TessObject* s) { return socketLastErrorCode(s, 0); }

  // Connects `socket` to a host listener; the host's end of the connection,
  // or -1 when it did not connect.
  static int ConnectToHost(HostSocket& listener, TessObject* socket) {
    SetTarget(socket, "127.0.0.1", listener.Listen());
    SocketConnect(socket);
    int peer = ::accept(listener.fd, nullptr, nullptr);
    if (peer < 0 || !PumpUntil([&] { return SocketIsConnected(socket) != 0; })) return -1;
    return peer;
  }

  // A server Socket listening on a free port and a client connected to it
  // through `address`; nulls when they did not connect.
  std::pair<TessObject*, TessObject*> ConnectedPair(const std::string& address) {
    int port = test::FreePort();
    TessObject* server = NewSocket("server");
    TessObject* client = NewSocket("client");
    intSetter(server, offsetof(SocketFields, port), port);
    SocketListen(server);
    EXPECT_EQ(LastError(server), 0);
    SetTarget(client, address, port);
    SocketConnect(client);
    if (!PumpUntil([&] { return SocketIsConnected(client) && SocketIsConnected(server); }))
      return {nullptr, nullptr};
    return {server, client};
  }

  // The Socket's fields as the class record stores them.
  struct SocketFields {
    ObjectHeader header;
    TessString* address;
    int32_t port;
  };

  std::unique_ptr<test::HandlingClass> handling_;
  std::vector<TessObject*> sockets_;
};

TEST_F(SocketTest, ClientAndServerExchangeBytesWithTheEventsInOrder) {
  auto [server, client] = ConnectedPair("127.0.0.1");
  ASSERT_TRUE(server && client);
  EXPECT_EQ(Text(socketRemoteAddressGetter(server, 0)), "127.0.0.1");
  EXPECT_EQ(Text(socketLocalAddressGetter(client, 0)), "127.0.0.1");

  TessString* hello = MakeString("hello");
  SocketWrite(client, hello);
  UnlockString(hello);
  ASSERT_TRUE(PumpUntil([&] { return Log().Of("server").size() >= 2; }));
  EXPECT_EQ(Text(socketLookahead(server, 0)), "hello");
  EXPECT_EQ(Text(socketRead(server, 3)), "hel");
  EXPECT_EQ(Text(socketRead(server, 5)), "lo") << "Read(5) with 2 buffered bytes gives those 2";
  EXPECT_EQ(Text(socketRead(server, 5)), "") << "nothing buffered";

  TessString* back = MakeString("world");
  SocketWrite(server, back);
  UnlockString(back);
  ASSERT_TRUE(PumpUntil([&] { return Log().Of("client").size() >= 3; }));
  EXPECT_EQ(Text(SocketReadAll(client)), "world");

  // The client closes: the server hears the close once.
  socketClose(client);
  EXPECT_FALSE(SocketIsConnected(client));
  ASSERT_TRUE(PumpUntil([&] { return Log().Of("server").size() >= 4; }));
  EXPECT_EQ(LastError(server), 102);
  EXPECT_EQ(SocketErrorText(server), "Connection closed");
  EXPECT_FALSE(SocketIsConnected(server));

  EXPECT_EQ(Log().Of("server"), (std::vector<std::string>{kConnected, kData, kSent, kError}));
  EXPECT_EQ(Log().Of("client"), (std::vector<std::string>{kConnected, kSent, kData}));
}

TEST_F(SocketTest, LargeWriteArrivesInPiecesAndCompletesOnce) {
  auto [server, client] = ConnectedPair("localhost");  // resolved by the host's resolver
  ASSERT_TRUE(server && client);

  std::string block(8 << 20, '\0');
  for (size_t i = 0; i < block.size(); ++i) block[i] = char(i * 7 + (i >> 13));
  std::string received;
  Log().onEvent = [&](TessObject* o, const std::string& event) {
    if (o == server && event == kData) received += Text(SocketReadAll(server));
  };
  TessString* data = MakeString(block);
  SocketWrite(client, data);
  UnlockString(data);
  ASSERT_TRUE(PumpUntil([&] { return received.size() == block.size(); }, 20000));
  PumpUntil([] { return false; }, 50);
  EXPECT_TRUE(received == block);
  auto clientEvents = Log().Of("client");
  EXPECT_EQ(std::count(clientEvents.begin(), clientEvents.end(), kSent), 1);
  auto serverEvents = Log().Of("server");
  EXPECT_GT(std::count(serverEvents.begin(), serverEvents.end(), kData), 1) << "in pieces";
  Log().onEvent = nullptr;
}

// Failures, each with its code and the runtime's description of it.
TEST_F(SocketTest, RefusedUnknownSilentTakenAndResetConnectionsReportTheirErrors) {
  // Refused: nobody listens there.
  TessObject* refused = NewSocket("refused");
  SetTarget(refused, "127.0.0.1", test::FreePort());
  SocketConnect(refused);
  ASSERT_TRUE(PumpUntil([&] { return !Log().Of("refused").empty(); }));
  EXPECT_EQ(Log().Of("refused"), (std::vector<std::string>{kError}));
  EXPECT_EQ(LastError(refused), 101);
  EXPECT_EQ(SocketErrorText(refused), "Winsock error 10061");

  // An unknown name fails at once, before any window is made.
  TessObject* unknown = NewSocket("unknown");
  SetTarget(unknown, "no-such-host.invalid", 80);
  SocketConnect(unknown);
  EXPECT_EQ(Log().Of("unknown"), (std::vector<std::string>{kError}));
  EXPECT_EQ(LastError(unknown), 101);
  EXPECT_EQ(SocketErrorText(unknown), "Can't locate server");
  EXPECT_EQ(SocketWindow(unknown), nullptr);

  // A server that accepts nothing: the connect timer's firing ends it.
  HostSocket silent;
  int silentPort = silent.Listen();
  TessObject* waiting = NewSocket("waiting");
  SetTarget(waiting, "127.0.0.1", silentPort);
  SocketConnect(waiting);
  auto window = static_cast<platform::HWND>(SocketWindow(waiting));
  ASSERT_NE(window, nullptr);
  platform::SendMessage(window, platform::WM_TIMER, 1, 0);
  EXPECT_EQ(LastError(waiting), 101);
  EXPECT_EQ(SocketErrorText(waiting), "Server isn't responding");
  EXPECT_EQ(SocketWindow(waiting), nullptr) << "the error closes the window";

  // A port someone else listens on cannot be bound.
  TessObject* taken = NewSocket("taken");
  intSetter(taken, offsetof(SocketFields, port), silentPort);
  SocketListen(taken);
  EXPECT_EQ(Log().Of("taken"), (std::vector<std::string>{kError}));
  EXPECT_EQ(LastError(taken), 101);
  EXPECT_EQ(SocketErrorText(taken), "Winsock error 10048");

  // Reset by the peer.
  HostSocket listener;
  TessObject* reset = NewSocket("reset");
  int peer = ConnectToHost(listener, reset);
  ASSERT_GE(peer, 0);
  linger hard{1, 0};
  ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
  ::close(peer);
  ASSERT_TRUE(PumpUntil([&] { return Log().Of("reset").size() >= 2; }));
  EXPECT_EQ(Log().Of("reset"), (std::vector<std::string>{kConnected, kError}));
  EXPECT_EQ(LastError(reset), 102);
  EXPECT_EQ(SocketErrorText(reset), "Winsock error 10054");
}

TEST_F(SocketTest, ListeningSocketTakesOneClientAndIsReusableAfterClose) {
  int port = test::FreePort();
  TessObject* server = NewSocket("server");
  intSetter(server, offsetof(SocketFields, port), port);
  SocketListen(server);
  HostSocket first;
  ASSERT_TRUE(first.Connect(port));
  ASSERT_TRUE(PumpUntil([&] { return SocketIsConnected(server) != 0; }));
  HostSocket second;
  EXPECT_FALSE(second.Connect(port)) << "the listening socket closed after the first accept";

  // Close, then listen again on the same port: a fresh connection.
  socketClose(server);
  EXPECT_FALSE(SocketIsConnected(server));
  SocketListen(server);
  EXPECT_EQ(LastError(server), 0);
  HostSocket third;
  ASSERT_TRUE(third.Connect(port));
  ASSERT_TRUE(PumpUntil([&] { return SocketIsConnected(server) != 0; }));
  EXPECT_EQ(Log().Of("server"), (std::vector<std::string>{kConnected, kConnected}));
}

// A peer written with the host's sockets echoes what it gets, then closes;
// what it sent before closing stays readable after the Error event.
TEST_F(SocketTest, TalksToAHostPeerAndKeepsBytesSentBeforeItsClose) {
  HostSocket listener;
  int port = listener.Listen();
  std::thread peer([&] {
    int fd = ::accept(listener.fd, nullptr, nullptr);
    std::string got;
    char buffer[256];
    while (got.find('\n') == std::string::npos) {
      ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got.append(buffer, size_t(n));
    }
    std::string answer = "echo:" + got + "bye";
    ::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
    ::close(fd);
  });
  TessObject* client = NewSocket("client");
  TessString* address = MakeString("127.0.0.1");
  socketDirectConnect(client, address, port);
  UnlockString(address);
  ASSERT_TRUE(PumpUntil([&] { return SocketIsConnected(client) != 0; }));
  TessString* line = MakeString("ping\n");
  SocketWrite(client, line);
  UnlockString(line);
  ASSERT_TRUE(PumpUntil([&] {
    auto e = Log().Of("client");
    return std::find(e.begin(), e.end(), kError) != e.end();
  }));
  peer.join();
  EXPECT_EQ(LastError(client), 102);
  EXPECT_EQ(Text(SocketReadAll(client)), "echo:ping\nbye");
  EXPECT_FALSE(SocketIsConnected(client));
  EXPECT_EQ(socketGetEvents(client), 0) << "everything delivered";
}

TEST_F(SocketTest, PollCollectsAndDeliversWithoutTheMessageLoop) {
  HostSocket listener;
  TessObject* client = NewSocket("client");
  int peer = ConnectToHost(listener, client);
  ASSERT_GE(peer, 0);
  ::send(peer, "abc", 3, 0);
  // Nothing pumped: Poll reads what waits and raises DataAvailable itself.
  for (int i = 0; i < 200 && Log().Of("client").size() < 2; ++i) {
    ::usleep(5000);
    socketPoll(client);
  }
  EXPECT_EQ(Log().Of("client"), (std::vector<std::string>{kConnected, kData}));
  EXPECT_EQ(Text(SocketReadAll(client)), "abc");
  ::close(peer);
}

TEST_F(SocketTest, UnusedSocketReadsEmptyAndKeepsWrites) {
  TessObject* idle = NewSocket("idle");
  EXPECT_EQ(Text(SocketReadAll(idle)), "");
  EXPECT_EQ(Text(socketRead(idle, -1)), "");
  EXPECT_FALSE(SocketIsConnected(idle));
  EXPECT_EQ(socketPPPStatus(idle, 0), 0);
  TessString* data = MakeString("queued");
  SocketWrite(idle, data);  // kept until a connection takes it
  UnlockString(data);
  EXPECT_TRUE(Log().events.empty());
}

// Nil objects raise, as every member called on nil does; serial ones too.
TEST_F(SocketTest, NilSocketsAndSerialsRaise) {
  const ClassObject* nil = Exceptions().nilObject;
  EXPECT_EQ(test::RaisedBy([] { SocketConnect(nullptr); }), nil);
  EXPECT_EQ(test::RaisedBy([] { UnlockString(socketRead(nullptr, 1)); }), nil);
  EXPECT_EQ(test::RaisedBy([] { UnlockString(SocketReadAll(nullptr)); }), nil);
  EXPECT_EQ(test::RaisedBy([] { socketLastErrorCode(nullptr, 0); }), nil);
  EXPECT_EQ(test::RaisedBy([] { serialOpen(nullptr); }), nil);
  EXPECT_EQ(test::RaisedBy([] { UnlockString(serialReadAll(nullptr)); }), nil);
}

}  // namespace
}  // namespace tess::comm
