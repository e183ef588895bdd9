// WinSock as loaded by name: the notifications a window gets for a
// connection's life over loopback, each reported once until re-enabled,
// with the platform's error numbers for refused and reset connections.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/library.h"
#include "platform/user/winuser.h"
#include "platform/winsock/winsock.h"

namespace tess::platform {
namespace {

namespace ws = winsock;

struct Note {
  ws::SOCKET socket;
  int event;
  int error;
  friend bool operator==(const Note&, const Note&) = default;
};
std::vector<Note> g_notes;

LRESULT NoteProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_USER + 5) {
    g_notes.push_back(
        {ws::SOCKET(wParam), ws::WSAGETSELECTEVENT(lParam), ws::WSAGETSELECTERROR(lParam)});
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

class WinsockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASS wc{};
    wc.lpfnWndProc = &NoteProc;
    wc.lpszClassName = "WinsockTestNotes";
    RegisterClass(&wc);
    window_ = CreateWindowEx(0, "WinsockTestNotes", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(window_, nullptr);
    ws::WSADATA data{};
    ASSERT_EQ(ws::WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
    g_notes.clear();
  }
  void TearDown() override {
    ws::WSACleanup();
    DestroyWindow(window_);
  }

  // Dispatches until `count` notes arrived; GetMessage sleeps until the
  // descriptors wake it.
  bool WaitNotes(size_t count) {
    SetTimer(window_, 99, 5000, nullptr);
    while (g_notes.size() < count) {
      MSG msg;
      GetMessage(&msg, nullptr, 0, 0);
      if (msg.message == WM_TIMER && msg.wParam == 99) break;
      DispatchMessage(&msg);
    }
    KillTimer(window_, 99);
    return g_notes.size() >= count;
  }
  // Anything else that arrives soon.
  void Settle() {
    SetTimer(window_, 98, 50, nullptr);
    for (;;) {
      MSG msg;
      GetMessage(&msg, nullptr, 0, 0);
      if (msg.message == WM_TIMER && msg.wParam == 98) break;
      DispatchMessage(&msg);
    }
    KillTimer(window_, 98);
  }

  ws::SOCKET Listener(uint16_t* port) {
    ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_STREAM, 0);
    ws::sockaddr_in a{};
    a.sin_family = ws::AF_INET;
    a.sin_addr.s_addr = ws::inet_addr("127.0.0.1");
    EXPECT_EQ(ws::bind(s, reinterpret_cast<ws::sockaddr*>(&a), sizeof a), 0);
    int length = sizeof a;
    ws::getsockname(s, reinterpret_cast<ws::sockaddr*>(&a), &length);
    *port = a.sin_port;
    return s;
  }
  static ws::sockaddr_in Loopback(uint16_t port) {
    ws::sockaddr_in a{};
    a.sin_family = ws::AF_INET;
    a.sin_port = port;
    a.sin_addr.s_addr = ws::inet_addr("127.0.0.1");
    return a;
  }

  HWND window_ = nullptr;
};

TEST_F(WinsockTest, LoadedByNameWithEveryRoutine) {
  HMODULE library = LoadLibrary("WSOCK32.DLL");
  ASSERT_NE(library, nullptr);
  EXPECT_EQ(LoadLibrary("wsock32"), library);
  for (const char* name :
       {"WSAStartup", "WSACleanup", "socket", "closesocket", "inet_addr", "connect", "bind", "send",
        "recv", "ioctlsocket", "gethostbyname", "WSAAsyncSelect", "WSAGetLastError", "accept",
        "listen", "getsockname", "gethostname", "setsockopt"})
    EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
  EXPECT_EQ(GetProcAddress(library, "Socket"), nullptr) << "names are exact";
  EXPECT_TRUE(FreeLibrary(library));
}

TEST_F(WinsockTest, ConnectionLifeNotifiesEachEventOnce) {
  uint16_t port;
  ws::SOCKET listener = Listener(&port);
  ASSERT_EQ(ws::WSAAsyncSelect(
                listener, window_, WM_USER + 5,
                ws::FD_ACCEPT | ws::FD_READ | ws::FD_WRITE | ws::FD_CLOSE | ws::FD_CONNECT),
            0);
  ASSERT_EQ(ws::listen(listener, 1), 0);
  ws::SOCKET client = ws::socket(ws::AF_INET, ws::SOCK_STREAM, 0);
  ASSERT_EQ(ws::WSAAsyncSelect(client, window_, WM_USER + 5, 0x33), 0);
  ws::sockaddr_in to = Loopback(port);
  EXPECT_EQ(ws::connect(client, reinterpret_cast<ws::sockaddr*>(&to), sizeof to), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEWOULDBLOCK);
  ASSERT_TRUE(WaitNotes(3));
  Settle();
  // Connect, then writable; accept pending on the listener (order between
  // the two sockets is the host's).
  std::vector<Note> clientNotes, listenerNotes;
  for (const Note& n : g_notes) (n.socket == client ? clientNotes : listenerNotes).push_back(n);
  EXPECT_EQ(clientNotes,
            (std::vector<Note>{{client, ws::FD_CONNECT, 0}, {client, ws::FD_WRITE, 0}}));
  EXPECT_EQ(listenerNotes, (std::vector<Note>{{listener, ws::FD_ACCEPT, 0}}));

  ws::sockaddr_in peer{};
  int length = sizeof peer;
  ws::SOCKET server = ws::accept(listener, reinterpret_cast<ws::sockaddr*>(&peer), &length);
  ASSERT_NE(server, ws::INVALID_SOCKET);
  EXPECT_EQ(peer.sin_addr.s_addr, ws::inet_addr("127.0.0.1"));
  g_notes.clear();
  Settle();
  // The accepted socket took the listener's notifications: writable.
  EXPECT_EQ(g_notes, (std::vector<Note>{{server, ws::FD_WRITE, 0}}));

  g_notes.clear();
  EXPECT_EQ(ws::send(client, "abc", 3, 0), 3);
  ASSERT_TRUE(WaitNotes(1));
  EXPECT_EQ(ws::send(client, "def", 3, 0), 3);
  Settle();
  EXPECT_EQ(g_notes, (std::vector<Note>{{server, ws::FD_READ, 0}})) << "once until recv";
  unsigned long waiting = 0;
  ASSERT_EQ(ws::ioctlsocket(server, ws::FIONREAD, &waiting), 0);
  EXPECT_EQ(waiting, 6u);
  char buffer[16];
  EXPECT_EQ(ws::recv(server, buffer, 2, 0), 2);
  g_notes.clear();
  Settle();
  EXPECT_EQ(g_notes, (std::vector<Note>{{server, ws::FD_READ, 0}})) << "more is waiting";
  EXPECT_EQ(ws::recv(server, buffer, sizeof buffer, 0), 4);
  EXPECT_EQ(std::string(buffer, 4), "cdef");

  g_notes.clear();
  ws::closesocket(client);
  ASSERT_TRUE(WaitNotes(1));
  Settle();
  EXPECT_EQ(g_notes, (std::vector<Note>{{server, ws::FD_CLOSE, 0}}));
  EXPECT_EQ(ws::recv(server, buffer, sizeof buffer, 0), 0);
  ws::closesocket(server);
  ws::closesocket(listener);
  EXPECT_EQ(ws::closesocket(server), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTSOCK);
}

TEST_F(WinsockTest, RefusedAndResetCarryTheirErrors) {
  uint16_t port;
  ws::SOCKET unused = Listener(&port);
  ws::closesocket(unused);  // nobody listens on the port now
  ws::SOCKET refused = ws::socket(ws::AF_INET, ws::SOCK_STREAM, 0);
  ws::WSAAsyncSelect(refused, window_, WM_USER + 5, 0x33);
  ws::sockaddr_in to = Loopback(port);
  ws::connect(refused, reinterpret_cast<ws::sockaddr*>(&to), sizeof to);
  ASSERT_TRUE(WaitNotes(1));
  Settle();
  EXPECT_EQ(g_notes, (std::vector<Note>{{refused, ws::FD_CONNECT, ws::WSAECONNREFUSED}}));
  ws::closesocket(refused);

  // Reset: the peer closes with data unread, which sends a reset.
  g_notes.clear();
  ws::SOCKET listener = Listener(&port);
  ws::listen(listener, 1);
  ws::SOCKET client = ws::socket(ws::AF_INET, ws::SOCK_STREAM, 0);
  to = Loopback(port);
  ASSERT_EQ(ws::connect(client, reinterpret_cast<ws::sockaddr*>(&to), sizeof to), 0) << "blocking";
  ws::SOCKET server = ws::accept(listener, nullptr, nullptr);
  ASSERT_EQ(ws::WSAAsyncSelect(client, window_, WM_USER + 5, ws::FD_CLOSE), 0);
  ws::send(client, "x", 1, 0);
  ::usleep(10000);
  ws::closesocket(server);
  ASSERT_TRUE(WaitNotes(1));
  EXPECT_EQ(g_notes, (std::vector<Note>{{client, ws::FD_CLOSE, ws::WSAECONNRESET}}));
  ws::closesocket(client);
  ws::closesocket(listener);
}

TEST_F(WinsockTest, NamesResolveThroughTheHost) {
  ws::hostent* local = ws::gethostbyname("localhost");
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->h_addrtype, 2);
  EXPECT_EQ(local->h_length, 4);
  uint32_t address;
  std::memcpy(&address, local->h_addr_list[0], 4);
  EXPECT_EQ(address, ws::inet_addr("127.0.0.1"));
  EXPECT_EQ(ws::gethostbyname("no-such-host.invalid"), nullptr);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAHOST_NOT_FOUND);
  EXPECT_EQ(ws::inet_addr("localhost"), ws::INADDR_NONE);
  EXPECT_EQ(ws::inet_addr(""), ws::INADDR_NONE);
  char name[256];
  EXPECT_EQ(ws::gethostname(name, sizeof name), 0);
  EXPECT_EQ(ws::gethostname(name, 1), ws::SOCKET_ERROR);
}

TEST_F(WinsockTest, CallsBeforeStartupAndOnStrangersFail) {
  ws::WSACleanup();
  EXPECT_EQ(ws::socket(ws::AF_INET, ws::SOCK_STREAM, 0), ws::INVALID_SOCKET);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSANOTINITIALISED);
  ws::WSADATA data{};
  ASSERT_EQ(ws::WSAStartup(0x0101, &data), 0);
  EXPECT_EQ(ws::recv(12345, nullptr, 0, 0), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOTSOCK);
  EXPECT_EQ(ws::socket(23, ws::SOCK_STREAM, 0), ws::INVALID_SOCKET);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEAFNOSUPPORT);
  ws::SOCKET s = ws::socket(ws::AF_INET, ws::SOCK_STREAM, 0);
  EXPECT_EQ(ws::connect(s, nullptr, 0), ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAEFAULT);
  int one = 1;
  EXPECT_EQ(ws::setsockopt(s, 0x1234, 1, reinterpret_cast<char*>(&one), sizeof one),
            ws::SOCKET_ERROR);
  EXPECT_EQ(ws::WSAGetLastError(), ws::WSAENOPROTOOPT);
  ws::closesocket(s);
  EXPECT_EQ(ws::WSAStartup(0x0001, &data), ws::WSAVERNOTSUPPORTED);
}

}  // namespace
}  // namespace tess::platform
