// The Socket class and its connection objects; see socket.h.
//
// Every Socket owns one connection object; Close replaces it with a fresh
// one. Events are delivered only through the Socket, re-reading its current
// connection before each, since a handler may close the socket (retiring
// the connection) or release it.
#include "comm/socket.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/library.h"
#include "platform/user/winuser.h"
#include "platform/winsock/winsock.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess::comm {

namespace {

using namespace platform;
namespace ws = platform::winsock;

constexpr char kWindowClass[] = "TSSocketClass";
constexpr UINT kNotify = WM_USER;
// Delivers events noted outside a notification (a Write that emptied the
// buffer at once) from the run loop rather than inside the caller.
constexpr UINT kDeliver = WM_USER + 1;
constexpr uintptr_t kConnectTimer = 1;
constexpr UINT kConnectTimeout = 30000;
constexpr long kClientEvents = 0x33, kServerEvents = 0x3B;
constexpr int kWouldBlock = 10035, kHostUnreachable = 10065;

enum : int32_t { kNoWinsock = 100, kNoServer = 101, kConnectionClosed = 102 };
// socketGetEvents: the pending events, one bit each.
enum : int32_t { kPendingConnected = 1, kPendingError = 2, kPendingData = 4, kPendingSent = 8 };

struct Connection;

struct SocketObject {
  ObjectHeader header;
  TessString* address;
  int32_t port;
  int32_t lastErrorCode;
  Connection* connection;
};
#if defined(__i386__)
static_assert(offsetof(SocketObject, address) == 16);
static_assert(offsetof(SocketObject, connection) == 28);
#endif

// Bytes consumed from the front of a buffer are skipped by an offset and
// dropped once they are the larger part, so a large transfer is not copied
// over and over.
struct ByteQueue {
  std::string bytes;
  size_t start = 0;
  size_t size() const { return bytes.size() - start; }
  bool empty() const { return size() == 0; }
  std::string_view view() const { return std::string_view(bytes).substr(start); }
  void append(const char* data, size_t n) { bytes.append(data, n); }
  void consume(size_t n) {
    start += std::min(n, size());
    if (start == bytes.size()) {
      bytes.clear();
      start = 0;
    } else if (start > bytes.size() / 2) {
      bytes.erase(0, start);
      start = 0;
    }
  }
  std::string take(size_t n) {
    std::string out(view().substr(0, n));
    consume(out.size());
    return out;
  }
};

struct Connection {
  TessObject* owner = nullptr;  // the Socket; not counted, it owns us
  ws::SOCKET socket = ws::INVALID_SOCKET;
  ws::sockaddr_in address{};
  HWND window = nullptr;
  uintptr_t timer = 0;
  ByteQueue incoming, outgoing;
  bool connected = false;
  bool isConnected = false;
  bool pendingConnected = false, pendingError = false, pendingData = false, pendingSent = false;
  long eventMask = 0;
  int32_t lastError = 0;
  std::string errorText;
  std::string remoteAddress;
};

// ---- WinSock, loaded by name

struct Winsock {
  HMODULE library = nullptr;
  bool loaded = false;
  decltype(&ws::WSAStartup) WSAStartup = nullptr;
  decltype(&ws::WSACleanup) WSACleanup = nullptr;
  decltype(&ws::socket) socket = nullptr;
  decltype(&ws::closesocket) closesocket = nullptr;
  decltype(&ws::inet_addr) inet_addr = nullptr;
  decltype(&ws::connect) connect = nullptr;
  decltype(&ws::bind) bind = nullptr;
  decltype(&ws::send) send = nullptr;
  decltype(&ws::recv) recv = nullptr;
  decltype(&ws::ioctlsocket) ioctlsocket = nullptr;
  decltype(&ws::gethostbyname) gethostbyname = nullptr;
  decltype(&ws::WSAAsyncSelect) WSAAsyncSelect = nullptr;
  decltype(&ws::WSAGetLastError) WSAGetLastError = nullptr;
  decltype(&ws::accept) accept = nullptr;
  decltype(&ws::listen) listen = nullptr;
  decltype(&ws::getsockname) getsockname = nullptr;
  decltype(&ws::gethostname) gethostname = nullptr;
  decltype(&ws::setsockopt) setsockopt = nullptr;
};

Winsock& Api() {
  static Winsock api;
  return api;
}

ClassObject* g_class = nullptr;
std::vector<Connection*>& Connections() {
  static std::vector<Connection*> all;
  return all;
}
bool g_pluginUse = false;  // a plug-in asked for WinSock to stay loaded

template <typename T>
bool Resolve(HMODULE library, const char* name, T* out) {
  *out = reinterpret_cast<T>(GetProcAddress(library, name));
  return *out != nullptr;
}

bool LoadWinsock() {
  Winsock& w = Api();
  if (w.loaded) return true;
  HMODULE library = LoadLibrary("wsock32.dll");
  if (!library) return false;
  Winsock next;
  next.library = library;
  bool ok = Resolve(library, "WSAStartup", &next.WSAStartup) &&
            Resolve(library, "WSACleanup", &next.WSACleanup) &&
            Resolve(library, "socket", &next.socket) &&
            Resolve(library, "closesocket", &next.closesocket) &&
            Resolve(library, "inet_addr", &next.inet_addr) &&
            Resolve(library, "connect", &next.connect) && Resolve(library, "bind", &next.bind) &&
            Resolve(library, "send", &next.send) && Resolve(library, "recv", &next.recv) &&
            Resolve(library, "ioctlsocket", &next.ioctlsocket) &&
            Resolve(library, "gethostbyname", &next.gethostbyname) &&
            Resolve(library, "WSAAsyncSelect", &next.WSAAsyncSelect) &&
            Resolve(library, "WSAGetLastError", &next.WSAGetLastError) &&
            Resolve(library, "accept", &next.accept) && Resolve(library, "listen", &next.listen) &&
            Resolve(library, "getsockname", &next.getsockname) &&
            Resolve(library, "gethostname", &next.gethostname) &&
            Resolve(library, "setsockopt", &next.setsockopt);
  ws::WSADATA data{};
  if (!ok || next.WSAStartup(0x0101, &data) != 0) {
    FreeLibrary(library);
    return false;
  }
  next.loaded = true;
  w = next;
  return true;
}

void UnloadWinsock() {
  Winsock& w = Api();
  if (!w.loaded || g_pluginUse) return;
  w.WSACleanup();
  FreeLibrary(w.library);
  w = Winsock{};
}

std::string WinsockText(int error) {
  if (error == kHostUnreachable)
    return "Server unreachable.\r\n\r\nPlease check your connection to the Internet.";
  return "Winsock error " + std::to_string(error);
}

std::string DottedAddress(uint32_t networkOrder) {
  const auto* b = reinterpret_cast<const uint8_t*>(&networkOrder);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

// ---- Connection objects

SocketObject* Fields(TessObject* socket) {
  return reinterpret_cast<SocketObject*>(socket);
}

SocketObject* Checked(TessObject* socket) {
  if (!socket) Raise(RuntimeError::kNilObject);
  return Fields(socket);
}

Connection* NewConnection(TessObject* owner) {
  auto* c = new Connection;
  c->owner = owner;
  Connections().push_back(c);
  return c;
}

// Closes what the connection holds: socket, timer and window.
void Release(Connection* c) {
  Winsock& w = Api();
  if (c->socket != ws::INVALID_SOCKET && w.loaded) w.closesocket(c->socket);
  c->socket = ws::INVALID_SOCKET;
  if (c->window) {
    if (c->timer) KillTimer(c->window, kConnectTimer);
    SetWindowLong(c->window, GWL_USERDATA, 0);
    DestroyWindow(c->window);
  }
  c->timer = 0;
  c->window = nullptr;
}

void DeleteConnection(Connection* c) {
  Release(c);
  auto& all = Connections();
  all.erase(std::remove(all.begin(), all.end(), c), all.end());
  delete c;
  if (all.empty()) UnloadWinsock();
}

Connection* ConnectionOf(TessObject* socket) {
  SocketObject* s = Fields(socket);
  if (!s->connection) s->connection = NewConnection(socket);
  return s->connection;
}

// The connection of a Socket that must not be nil.
Connection* Live(TessObject* socket) {
  Checked(socket);
  return ConnectionOf(socket);
}

const EventDescriptor* EventAt(int index);

// Raises the pending events in their fixed order, each flag cleared first.
void Deliver(TessObject* socket) {
  ObjectRef keep = ShareObject(socket);
  static constexpr bool Connection::*kFlags[] = {
      &Connection::pendingConnected, &Connection::pendingError, &Connection::pendingData,
      &Connection::pendingSent};
  for (int i = 0; i < 4; ++i) {
    Connection* c = Fields(socket)->connection;
    if (!c || !(c->*kFlags[i])) continue;
    c->*kFlags[i] = false;
    FireEvent(socket, EventAt(i), {});
  }
}

void Error(Connection* c, int32_t code, std::string text) {
  TessObject* socket = c->owner;
  c->lastError = code;
  c->errorText = std::move(text);
  Fields(socket)->lastErrorCode = code;
  c->connected = c->isConnected = false;
  Release(c);
  c->pendingError = true;
  Deliver(socket);
}

void WinsockError(Connection* c, int32_t code) {
  Error(c, code, WinsockText(Api().WSAGetLastError()));
}

// Reads what waits into the incoming buffer. False when that failed: the
// Error event has been raised, and its handler may have closed the socket,
// so the caller must not touch `c` again.
bool Collect(Connection* c) {
  Winsock& w = Api();
  if (c->socket == ws::INVALID_SOCKET || !w.loaded) return true;
  unsigned long waiting = 0;
  if (w.ioctlsocket(c->socket, ws::FIONREAD, &waiting) != 0 || waiting == 0) return true;
  // Straight into the buffer's tail: no block in between to copy from.
  std::string& bytes = c->incoming.bytes;
  size_t before = bytes.size();
  bytes.resize(before + waiting);
  int got = w.recv(c->socket, bytes.data() + before, int(waiting), 0);
  bytes.resize(before + size_t(std::max(got, 0)));
  if (got == ws::SOCKET_ERROR) {
    if (w.WSAGetLastError() == kWouldBlock) return true;
    WinsockError(c, kConnectionClosed);
    return false;
  }
  if (got > 0) c->pendingData = true;
  return true;
}

// Queues `more` and sends until the queue is empty or WinSock would block:
// only a send that would block brings the next FD_WRITE, so a partial send
// must not be the last word. With nothing queued before them, the bytes of
// `more` go out without being queued first.
void Send(Connection* c, std::string_view more = {}) {
  Winsock& w = Api();
  if (more.empty() && c->outgoing.empty()) return;  // nothing to complete
  bool direct = c->outgoing.empty() && c->connected && w.loaded;
  if (!direct) {
    c->outgoing.append(more.data(), more.size());
    more = {};
  }
  if (!c->connected || !w.loaded) return;
  for (;;) {
    std::string_view pending = direct ? more : c->outgoing.view();
    if (pending.empty()) break;
    int sent =
        w.send(c->socket, pending.data(), int(std::min<size_t>(pending.size(), 0x7FFFFFFF)), 0);
    if (sent == ws::SOCKET_ERROR) {
      if (direct) c->outgoing.append(more.data(), more.size());
      if (w.WSAGetLastError() != kWouldBlock) WinsockError(c, kConnectionClosed);
      return;
    }
    if (direct) {
      more.remove_prefix(size_t(sent));
    } else {
      c->outgoing.consume(size_t(sent));
    }
  }
  c->pendingSent = true;
}

void OnNetworkEvent(Connection* c, ws::SOCKET from, LPARAM lParam) {
  if (from != c->socket) return;  // a closed socket's last word
  Winsock& w = Api();
  int error = ws::WSAGETSELECTERROR(lParam);
  switch (ws::WSAGETSELECTEVENT(lParam)) {
    case ws::FD_CONNECT:
      if (error) {
        Error(c, kNoServer, WinsockText(error));
        return;
      }
      c->connected = c->isConnected = true;
      if (c->timer) KillTimer(c->window, kConnectTimer);
      c->timer = 0;
      c->remoteAddress = DottedAddress(c->address.sin_addr.s_addr);
      c->pendingConnected = true;
      break;
    case ws::FD_ACCEPT: {
      ws::sockaddr_in peer{};
      int length = sizeof peer;
      ws::SOCKET accepted = w.accept(c->socket, reinterpret_cast<ws::sockaddr*>(&peer), &length);
      if (accepted == ws::INVALID_SOCKET) {
        WinsockError(c, kNoServer);
        return;
      }
      // One client only: the listening socket goes, so a second is refused.
      w.closesocket(c->socket);
      c->socket = accepted;
      c->eventMask = kClientEvents;
      w.WSAAsyncSelect(accepted, c->window, kNotify, kClientEvents);
      c->remoteAddress = DottedAddress(peer.sin_addr.s_addr);
      c->connected = c->isConnected = true;
      c->pendingConnected = true;
      break;
    }
    case ws::FD_READ:
      Collect(c);
      break;
    case ws::FD_WRITE:
      Send(c);
      break;
    case ws::FD_CLOSE:
      // What came before the close stays readable.
      if (Collect(c)) Error(c, kConnectionClosed, error ? WinsockText(error) : "Connection closed");
      break;
    default:
      break;
  }
}

LRESULT SocketWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* c = reinterpret_cast<Connection*>(GetWindowLong(hwnd, GWL_USERDATA));
  if (!c) return DefWindowProc(hwnd, msg, wParam, lParam);
  TessObject* socket = c->owner;
  // A handler may release the socket: it lives until the message is done.
  ObjectRef keep = ShareObject(socket);
  switch (msg) {
    case WM_TIMER:
      if (wParam == kConnectTimer && c->socket != ws::INVALID_SOCKET)
        Error(c, kNoServer, "Server isn't responding");
      return 0;
    case kNotify:
      OnNetworkEvent(c, ws::SOCKET(wParam), lParam);
      Deliver(socket);
      return 0;
    case kDeliver:
      Deliver(socket);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

bool MakeWindow(Connection* c, long events) {
  Winsock& w = Api();
  c->window =
      CreateWindowEx(0, kWindowClass, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (!c->window) return false;
  SetWindowLong(c->window, GWL_USERDATA, LONG(reinterpret_cast<intptr_t>(c)));
  c->eventMask = events;
  return w.WSAAsyncSelect(c->socket, c->window, kNotify, events) == 0;
}

// Connect and Listen steps 1 and 2: WinSock loaded and a stream socket made.
bool Prepare(Connection* c) {
  c->pendingConnected = c->pendingError = c->pendingData = c->pendingSent = false;
  if (c->socket != ws::INVALID_SOCKET || c->window) Release(c);
  if (!LoadWinsock()) {
    Error(c, kNoWinsock, "Unable to load WinSock");
    return false;
  }
  c->socket = Api().socket(ws::AF_INET, ws::SOCK_STREAM, 0);
  if (c->socket == ws::INVALID_SOCKET) {
    Error(c, kNoWinsock, "Unable to open socket");
    return false;
  }
  return true;
}

void Connect(TessObject* socket, std::string_view address, int32_t port) {
  Connection* c = ConnectionOf(socket);
  if (!Prepare(c)) return;
  Winsock& w = Api();
  std::string host(address);
  c->address = ws::sockaddr_in{};
  c->address.sin_family = ws::AF_INET;
  c->address.sin_port = ws::htons(uint16_t(port));
  c->address.sin_addr.s_addr = w.inet_addr(host.c_str());
  if (c->address.sin_addr.s_addr == ws::INADDR_NONE) {
    ws::hostent* entry = w.gethostbyname(host.c_str());
    if (!entry || !entry->h_addr_list || !entry->h_addr_list[0]) {
      Error(c, kNoServer, "Can't locate server");
      return;
    }
    std::memcpy(&c->address.sin_addr.s_addr, entry->h_addr_list[0], 4);
  }
  if (!MakeWindow(c, kClientEvents)) {
    WinsockError(c, kNoServer);
    return;
  }
  c->timer = SetTimer(c->window, kConnectTimer, kConnectTimeout, nullptr);
  if (w.connect(c->socket, reinterpret_cast<const ws::sockaddr*>(&c->address), sizeof c->address) ==
          ws::SOCKET_ERROR &&
      w.WSAGetLastError() != kWouldBlock)
    WinsockError(c, kNoServer);
}

void Listen(TessObject* socket) {
  Connection* c = ConnectionOf(socket);
  if (!Prepare(c)) return;
  Winsock& w = Api();
  c->address = ws::sockaddr_in{};
  c->address.sin_family = ws::AF_INET;
  c->address.sin_port = ws::htons(uint16_t(Fields(socket)->port));
  c->address.sin_addr.s_addr = ws::INADDR_ANY;
  int one = 1;
  w.setsockopt(c->socket, ws::SOL_SOCKET, ws::SO_REUSEADDR, reinterpret_cast<const char*>(&one),
               sizeof one);
  if (w.bind(c->socket, reinterpret_cast<const ws::sockaddr*>(&c->address), sizeof c->address) ==
      ws::SOCKET_ERROR) {
    WinsockError(c, kNoServer);
    return;
  }
  if (!MakeWindow(c, kServerEvents) || w.listen(c->socket, 1) == ws::SOCKET_ERROR)
    WinsockError(c, kNoServer);
}

void Close(TessObject* socket) {
  SocketObject* s = Fields(socket);
  Connection* old = s->connection;
  // The fresh connection comes first, so WinSock stays loaded between.
  s->connection = NewConnection(socket);
  if (old) DeleteConnection(old);
}

std::string LocalAddress(Connection* c) {
  Winsock& w = Api();
  if (c->socket != ws::INVALID_SOCKET && w.loaded) {
    ws::sockaddr_in local{};
    int length = sizeof local;
    if (w.getsockname(c->socket, reinterpret_cast<ws::sockaddr*>(&local), &length) == 0 &&
        local.sin_addr.s_addr != 0)
      return DottedAddress(local.sin_addr.s_addr);
  }
  // Not connected: the address the host's name resolves to.
  if (!LoadWinsock()) return {};
  char name[256] = {};
  std::string result;
  if (w.gethostname(name, sizeof name) == 0)
    if (ws::hostent* entry = w.gethostbyname(name); entry && entry->h_addr_list[0]) {
      uint32_t address;
      std::memcpy(&address, entry->h_addr_list[0], 4);
      result = DottedAddress(address);
    }
  if (Connections().empty()) UnloadWinsock();
  return result;
}

// ---- The class

EventRecord g_events[] = {
    {0, "Connected", nullptr, nullptr, 0, nullptr},
    {0, "Error", nullptr, nullptr, 0, nullptr},
    {0, "DataAvailable", nullptr, nullptr, 0, nullptr},
    {0, "SendComplete", nullptr, nullptr, 0, nullptr},
};

const EventDescriptor* EventAt(int index) {
  return static_cast<const EventDescriptor*>(g_events[index].descriptor);
}

const ParameterRecord kData[] = {{"Data", &kStringType, {}}};
const ParameterRecord kCount[] = {{"Count", &kIntegerType, {}}};

const PropertyRecord kProperties[] = {
    {0, "Address", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     offsetof(SocketObject, address)},
    {0, "Port", &kIntegerType, (void*)&intGetter, (void*)&intSetter, offsetof(SocketObject, port)},
    {0, "LocalAddress", &kStringType, (void*)&socketLocalAddressGetter, nullptr, 0},
    {0, "RemoteAddress", &kStringType, (void*)&socketRemoteAddressGetter, nullptr, 0},
    {0, "LastErrorCode", &kIntegerType, (void*)&socketLastErrorCode, nullptr, 0},
    {0, "Lookahead", &kStringType, (void*)&socketLookahead, nullptr, 0},
    {0, "PPPStatus", &kIntegerType, (void*)&socketPPPStatus, nullptr, 0},
};

const MethodRecord kMethods[] = {
    Method("Connect", nullptr, nullptr, 0, (void*)&SocketConnect),
    Method("Listen", nullptr, nullptr, 0, (void*)&SocketListen),
    Method("Close", nullptr, nullptr, 0, (void*)&socketClose),
    Method("IsConnected", &kBooleanType, nullptr, 0, (void*)&SocketIsConnected),
    Method("Write", nullptr, kData, 1, (void*)&SocketWrite),
    Method("Read", &kStringType, kCount, 1, (void*)&socketRead),
    Method("ReadAll", &kStringType, nullptr, 0, (void*)&SocketReadAll),
    Method("Poll", nullptr, nullptr, 0, (void*)&socketPoll),
    Method("PPPConnect", nullptr, nullptr, 0, (void*)&socketPPPConnect),
    Method("PPPDisconnect", nullptr, nullptr, 0, (void*)&socketPPPDisconnect),
};

void Construct(TessObject* socket, ClassObject*) {
  Fields(socket)->connection = NewConnection(socket);
}

void Destruct(TessObject* socket, ClassObject*) {
  SocketObject* s = Fields(socket);
  if (s->connection) DeleteConnection(s->connection);
  s->connection = nullptr;
  UnlockString(s->address);
  s->address = nullptr;
}

TessString* ReadFront(TessObject* socket, int32_t count) {
  Connection* c = Live(socket);
  if (count <= 0) return nullptr;
  return MakeString(c->incoming.take(size_t(count)));
}

TessString* ReadEverything(TessObject* socket) {
  Connection* c = Live(socket);
  TessString* all = MakeString(c->incoming.view());
  c->incoming.consume(c->incoming.size());
  return all;
}

TessString* Peek(TessObject* socket) {
  Connection* c = Live(socket);
  Collect(c);
  c = ConnectionOf(socket);  // an Error handler may have closed it: a fresh one
  return MakeString(c->incoming.view());
}

}  // namespace

void InitSocketClass() {
  if (g_class) return;
  FrameworkClassDef def{};
  def.name = "Socket";
  def.superclass = RootClass();
  def.instanceSize = sizeof(SocketObject);
  def.construct = &Construct;
  def.destruct = &Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  def.events = g_events;
  g_class = BuildFrameworkClass(def);
  WNDCLASS wc{};
  wc.lpfnWndProc = &SocketWindowProc;
  wc.lpszClassName = kWindowClass;
  RegisterClass(&wc);
}

ClassObject* SocketClass() {
  return g_class;
}

std::string SocketErrorText(TessObject* socket) {
  if (!socket || !Fields(socket)->connection) return {};
  return Fields(socket)->connection->errorText;
}

void* SocketWindow(TessObject* socket) {
  if (!socket || !Fields(socket)->connection) return nullptr;
  return Fields(socket)->connection->window;
}

bool WinsockLoaded() {
  return Api().loaded;
}

}  // namespace tess::comm

using tess::AtEntry;
using tess::View;
namespace comm = tess::comm;

extern "C" {

void SocketConnect(TessObject* socket) {
  AtEntry([&] {
    comm::Checked(socket);
    auto* s = comm::Fields(socket);
    comm::Connect(socket, View(s->address), s->port);
  });
}

void socketDirectConnect(TessObject* socket, TessString* address, int32_t port) {
  AtEntry([&] {
    comm::Checked(socket);
    comm::Connect(socket, View(address), port);
  });
}

void SocketListen(TessObject* socket) {
  AtEntry([&] {
    comm::Checked(socket);
    comm::Listen(socket);
  });
}

void socketClose(TessObject* socket) {
  AtEntry([&] {
    comm::Checked(socket);
    comm::Close(socket);
  });
}

int32_t SocketIsConnected(TessObject* socket) {
  return AtEntry([&] { return comm::Live(socket)->isConnected ? 1 : 0; });
}

void SocketWrite(TessObject* socket, TessString* data) {
  AtEntry([&] {
    comm::Checked(socket);
    comm::Connection* c = comm::ConnectionOf(socket);
    std::string_view bytes = View(data);
    if (bytes.empty()) return;
    comm::Send(c, bytes);
    c = comm::ConnectionOf(socket);
    if (c->pendingSent && c->window) tess::platform::PostMessage(c->window, comm::kDeliver, 0, 0);
  });
}

TessString* socketRead(TessObject* socket, int32_t count) {
  return AtEntry([&] { return comm::ReadFront(socket, count); });
}

TessString* SocketReadAll(TessObject* socket) {
  return AtEntry([&] { return comm::ReadEverything(socket); });
}

TessString* socketLookahead(TessObject* socket, uint32_t) {
  return AtEntry([&] { return comm::Peek(socket); });
}

void socketPoll(TessObject* socket) {
  AtEntry([&] {
    comm::Checked(socket);
    comm::Collect(comm::ConnectionOf(socket));
    comm::Deliver(socket);
  });
}

int32_t socketGetEvents(TessObject* socket) {
  return AtEntry([&] {
    comm::Connection* c = comm::Live(socket);
    return (c->pendingConnected ? comm::kPendingConnected : 0) |
           (c->pendingError ? comm::kPendingError : 0) | (c->pendingData ? comm::kPendingData : 0) |
           (c->pendingSent ? comm::kPendingSent : 0);
  });
}

int32_t socketLastErrorCode(TessObject* socket, uint32_t) {
  return AtEntry([&] { return comm::Checked(socket)->lastErrorCode; });
}

TessString* socketLocalAddressGetter(TessObject* socket, uint32_t) {
  return AtEntry([&] {
    comm::Checked(socket);
    return tess::MakeString(comm::LocalAddress(comm::ConnectionOf(socket)));
  });
}

TessString* socketRemoteAddressGetter(TessObject* socket, uint32_t) {
  return AtEntry([&] {
    comm::Checked(socket);
    return tess::MakeString(comm::ConnectionOf(socket)->remoteAddress);
  });
}

// Dial-up links are the host's business: there is never one to report.
int32_t socketPPPStatus(TessObject* socket, uint32_t) {
  return AtEntry([&] {
    comm::Checked(socket);
    return 0;
  });
}

void socketPPPConnect(TessObject* socket) {
  AtEntry([&] { comm::Checked(socket); });
}

void socketPPPDisconnect(TessObject* socket) {
  AtEntry([&] { comm::Checked(socket); });
}

TessString* pluginSocketRead(TessObject* socket, int32_t count) {
  return socketRead(socket, count);
}

TessString* pluginSocketReadAll(TessObject* socket) {
  return SocketReadAll(socket);
}

TessString* pluginSocketLookahead(TessObject* socket) {
  return socketLookahead(socket, 0);
}

// A plug-in that talks to WinSock itself keeps it loaded for good.
void PluginMarkSocketUsage() {
  if (comm::LoadWinsock()) comm::g_pluginUse = true;
}

}  // extern "C"
