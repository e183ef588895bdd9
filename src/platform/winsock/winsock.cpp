// WinSock over BSD sockets; see winsock.h. The platform's constants are
// captured before the host's headers, whose macros share their names.
#include "platform/winsock/winsock.h"

namespace tess::platform::winsock::win {
constexpr int kSolSocket = SOL_SOCKET, kReuseAddr = SO_REUSEADDR, kKeepAlive = SO_KEEPALIVE,
              kSndBuf = SO_SNDBUF, kRcvBuf = SO_RCVBUF, kTcp = IPPROTO_TCP, kNoDelay = TCP_NODELAY;
constexpr long kFionread = FIONREAD, kFionbio = FIONBIO;
}  // namespace tess::platform::winsock::win

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/user/descriptor_wait.h"

namespace tess::platform::winsock {

namespace {

enum class Phase { kOpen, kConnecting, kConnected, kListening };

struct SocketState {
  Phase phase = Phase::kOpen;
  HWND hwnd = nullptr;  // WSAAsyncSelect's window; null: no notifications
  UINT msg = 0;
  long mask = 0;
  // Each event waits, once reported, for the call that re-enables it.
  bool readArmed = true, writeArmed = true, acceptArmed = true;
  bool closeReported = false;
};

struct Library {
  std::recursive_mutex lock;
  std::map<int, SocketState> sockets;
  int startups = 0;
};

Library& Lib() {
  static Library library;
  return library;
}

thread_local int t_lastError = 0;

int Fail(int error) {
  t_lastError = error;
  return SOCKET_ERROR;
}

int ErrorFromErrno(int e) {
  switch (e) {
    case EINTR:
      return WSAEINTR;
    case EBADF:
      return WSAENOTSOCK;
    case EACCES:
    case EPERM:
      return WSAEACCES;
    case EFAULT:
      return WSAEFAULT;
    case EINVAL:
      return WSAEINVAL;
    case EMFILE:
    case ENFILE:
      return WSAEMFILE;
    case EAGAIN:
    case EINPROGRESS:
      return WSAEWOULDBLOCK;
    case EALREADY:
      return WSAEALREADY;
    case ENOTSOCK:
      return WSAENOTSOCK;
    case EMSGSIZE:
      return WSAEMSGSIZE;
    case ENOPROTOOPT:
      return WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
      return WSAEPROTONOSUPPORT;
    case EOPNOTSUPP:
      return WSAEOPNOTSUPP;
    case EAFNOSUPPORT:
      return WSAEAFNOSUPPORT;
    case EADDRINUSE:
      return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
      return WSAEADDRNOTAVAIL;
    case ENETDOWN:
      return WSAENETDOWN;
    case ENETUNREACH:
      return WSAENETUNREACH;
    case ENETRESET:
      return WSAENETRESET;
    case ECONNABORTED:
      return WSAECONNABORTED;
    case ECONNRESET:
    case EPIPE:
      return WSAECONNRESET;
    case ENOBUFS:
    case ENOMEM:
      return WSAENOBUFS;
    case EISCONN:
      return WSAEISCONN;
    case ENOTCONN:
      return WSAENOTCONN;
    case ESHUTDOWN:
      return WSAESHUTDOWN;
    case ETIMEDOUT:
      return WSAETIMEDOUT;
    case ECONNREFUSED:
      return WSAECONNREFUSED;
    case EHOSTDOWN:
      return WSAEHOSTDOWN;
    case EHOSTUNREACH:
      return WSAEHOSTUNREACH;
    default:
      return WSAEINVAL;
  }
}

int FailErrno() {
  return Fail(ErrorFromErrno(errno));
}

bool Started() {
  std::lock_guard lock(Lib().lock);
  if (Lib().startups > 0) return true;
  t_lastError = WSANOTINITIALISED;
  return false;
}

// The socket's state, null (with WSAENOTSOCK) for a descriptor this
// library did not make. Called with the lock held.
SocketState* Find(SOCKET s) {
  auto& sockets = Lib().sockets;
  auto it = s > 0x7FFFFFFF ? sockets.end() : sockets.find(int(s));
  if (it == sockets.end()) {
    t_lastError = WSAENOTSOCK;
    return nullptr;
  }
  return &it->second;
}

int PendingError(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return ErrorFromErrno(errno);
  return error ? ErrorFromErrno(error) : 0;
}

void OnReady(void* context, int fd, short revents);

// What the window's thread watches for: only events that are enabled and
// not waiting to be re-enabled, so a ready descriptor never spins the wait.
void Rewatch(int fd, SocketState& st) {
  short events = 0;
  if (st.hwnd) switch (st.phase) {
      case Phase::kConnecting:
        events = POLLOUT;
        break;
      case Phase::kListening:
        if ((st.mask & FD_ACCEPT) && st.acceptArmed) events = POLLIN;
        break;
      case Phase::kConnected:
        if ((st.mask & FD_READ) && st.readArmed) events |= POLLIN;
        if ((st.mask & FD_WRITE) && st.writeArmed) events |= POLLOUT;
        if (!st.closeReported) events |= POLLRDHUP;
        break;
      case Phase::kOpen:
        break;
    }
  if (!st.hwnd || !user::WatchDescriptor(st.hwnd, fd, events, &OnReady, nullptr))
    user::WatchDescriptor(nullptr, fd, 0, nullptr, nullptr);
}

void Post(const SocketState& st, int fd, long event, int error) {
  if (st.mask & event) PostMessage(st.hwnd, st.msg, WPARAM(fd), MAKELPARAM(int(event), error));
}

void OnReady(void*, int fd, short revents) {
  Library& lib = Lib();
  std::lock_guard lock(lib.lock);
  auto it = lib.sockets.find(fd);
  if (it == lib.sockets.end() || !it->second.hwnd) {
    user::WatchDescriptor(nullptr, fd, 0, nullptr, nullptr);
    return;
  }
  SocketState& st = it->second;
  switch (st.phase) {
    case Phase::kConnecting: {
      int error = PendingError(fd);
      st.phase = error ? Phase::kOpen : Phase::kConnected;
      Post(st, fd, FD_CONNECT, error);
      // A connected socket can be written to: said at once, as the
      // platform does.
      if (!error && (st.mask & FD_WRITE)) {
        st.writeArmed = false;
        Post(st, fd, FD_WRITE, 0);
      }
      break;
    }
    case Phase::kListening:
      if (revents & (POLLIN | POLLERR | POLLHUP)) {
        st.acceptArmed = false;
        Post(st, fd, FD_ACCEPT, 0);
      }
      break;
    case Phase::kConnected: {
      bool ended = revents & (POLLRDHUP | POLLHUP | POLLERR);
      if ((revents & POLLIN) && st.readArmed) {
        int waiting = 0;
        if (::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
          st.readArmed = false;
          Post(st, fd, FD_READ, 0);
        } else {
          ended = true;  // readable with nothing to read: the end
        }
      }
      if ((revents & POLLOUT) && st.writeArmed) {
        st.writeArmed = false;
        Post(st, fd, FD_WRITE, 0);
      }
      if (ended && !st.closeReported) {
        st.closeReported = true;
        Post(st, fd, FD_CLOSE, PendingError(fd));
      }
      break;
    }
    case Phase::kOpen:
      break;
  }
  Rewatch(fd, st);
}

bool ToHost(const sockaddr* address, int length, ::sockaddr_in* out) {
  if (!address || length < int(sizeof(sockaddr_in))) return false;
  const auto* in = reinterpret_cast<const winsock::sockaddr_in*>(address);
  if (in->sin_family != 2) return false;
  *out = ::sockaddr_in{};
  out->sin_family = AF_INET;
  out->sin_port = in->sin_port;
  out->sin_addr.s_addr = in->sin_addr.s_addr;
  return true;
}

void FromHost(const ::sockaddr_in& in, sockaddr* address, int* length) {
  if (!address || !length || *length < int(sizeof(winsock::sockaddr_in))) return;
  winsock::sockaddr_in out{};
  out.sin_family = 2;
  out.sin_port = in.sin_port;
  out.sin_addr.s_addr = in.sin_addr.s_addr;
  std::memcpy(address, &out, sizeof out);
  *length = sizeof out;
}

}  // namespace

int WSAStartup(uint16_t version, WSADATA* data) {
  // Versions from 1.1 up are served as 1.1, the version this library is.
  uint8_t major = uint8_t(version & 0xFF), minor = uint8_t(version >> 8);
  if (data) {
    *data = WSADATA{};
    data->wVersion = 0x0101;
    data->wHighVersion = 0x0101;
    std::strcpy(data->szDescription, "WinSock 1.1 over host sockets");
    std::strcpy(data->szSystemStatus, "Running");
    data->iMaxSockets = 0x7FFF;
    data->iMaxUdpDg = 65467;
  }
  if (major < 1 || (major == 1 && minor < 1)) return WSAVERNOTSUPPORTED;
  std::lock_guard lock(Lib().lock);
  ++Lib().startups;
  return 0;
}

int WSACleanup() {
  if (!Started()) return SOCKET_ERROR;
  std::lock_guard lock(Lib().lock);
  --Lib().startups;
  return 0;
}

int WSAGetLastError() {
  return t_lastError;
}

SOCKET socket(int family, int type, int protocol) {
  if (!Started()) return INVALID_SOCKET;
  if (family != 2) return (Fail(WSAEAFNOSUPPORT), INVALID_SOCKET);
  if (type != 1 && type != 2) return (Fail(WSAEPROTONOSUPPORT), INVALID_SOCKET);
  int fd = ::socket(AF_INET, (type == 1 ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, protocol);
  if (fd < 0) return (FailErrno(), INVALID_SOCKET);
  std::lock_guard lock(Lib().lock);
  Lib().sockets[fd] = SocketState{};
  return SOCKET(fd);
}

int closesocket(SOCKET s) {
  if (!Started()) return SOCKET_ERROR;
  std::lock_guard lock(Lib().lock);
  SocketState* st = Find(s);
  if (!st) return SOCKET_ERROR;
  int fd = int(s);
  if (!st->hwnd || !user::WatchDescriptor(st->hwnd, fd, 0, nullptr, nullptr))
    user::WatchDescriptor(nullptr, fd, 0, nullptr, nullptr);
  Lib().sockets.erase(fd);
  ::close(fd);
  return 0;
}

uint32_t inet_addr(const char* text) {
  if (!text || !*text) return INADDR_NONE;
  return ::inet_addr(text);
}

int connect(SOCKET s, const sockaddr* address, int length) {
  if (!Started()) return SOCKET_ERROR;
  ::sockaddr_in host{};
  if (!ToHost(address, length, &host)) return Fail(WSAEFAULT);
  std::unique_lock lock(Lib().lock);
  SocketState* st = Find(s);
  if (!st) return SOCKET_ERROR;
  if (st->phase == Phase::kConnected) return Fail(WSAEISCONN);
  if (st->phase == Phase::kConnecting) return Fail(WSAEALREADY);
  bool async = st->hwnd != nullptr;
  lock.unlock();  // a blocking connect must not hold up the other sockets
  int r = ::connect(int(s), reinterpret_cast<const ::sockaddr*>(&host), sizeof host);
  int error = r == 0 ? 0 : errno;
  lock.lock();
  if (!(st = Find(s))) return SOCKET_ERROR;
  if (r != 0 && error != EINPROGRESS) return Fail(ErrorFromErrno(error));
  if (!async) {
    st->phase = Phase::kConnected;
    return 0;
  }
  // Completion is always reported by FD_CONNECT, however quick it was.
  st->phase = Phase::kConnecting;
  Rewatch(int(s), *st);
  return Fail(WSAEWOULDBLOCK);
}

int bind(SOCKET s, const sockaddr* address, int length) {
  if (!Started()) return SOCKET_ERROR;
  ::sockaddr_in host{};
  if (!ToHost(address, length, &host)) return Fail(WSAEFAULT);
  std::lock_guard lock(Lib().lock);
  if (!Find(s)) return SOCKET_ERROR;
  if (::bind(int(s), reinterpret_cast<const ::sockaddr*>(&host), sizeof host) != 0)
    return FailErrno();
  return 0;
}

int listen(SOCKET s, int backlog) {
  if (!Started()) return SOCKET_ERROR;
  std::lock_guard lock(Lib().lock);
  SocketState* st = Find(s);
  if (!st) return SOCKET_ERROR;
  if (st->phase == Phase::kConnected || st->phase == Phase::kConnecting) return Fail(WSAEISCONN);
  if (::listen(int(s), backlog) != 0) return FailErrno();
  st->phase = Phase::kListening;
  st->acceptArmed = true;
  Rewatch(int(s), *st);
  return 0;
}

SOCKET accept(SOCKET s, sockaddr* address, int* length) {
  if (!Started()) return INVALID_SOCKET;
  std::unique_lock lock(Lib().lock);
  SocketState* st = Find(s);
  if (!st) return INVALID_SOCKET;
  if (st->phase != Phase::kListening) return (Fail(WSAEINVAL), INVALID_SOCKET);
  bool async = st->hwnd != nullptr;
  if (!async) lock.unlock();
  ::sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  int fd = ::accept4(int(s), reinterpret_cast<::sockaddr*>(&peer), &peerLength, SOCK_CLOEXEC);
  int error = errno;
  if (!async) lock.lock();
  if ((st = Find(s))) {
    st->acceptArmed = true;
    Rewatch(int(s), *st);
  }
  if (fd < 0) return (Fail(ErrorFromErrno(error)), INVALID_SOCKET);
  // The accepted socket takes on the listening socket's notifications.
  SocketState accepted;
  accepted.phase = Phase::kConnected;
  if (st) {
    accepted.hwnd = st->hwnd;
    accepted.msg = st->msg;
    accepted.mask = st->mask;
  }
  if (accepted.hwnd) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  SocketState& stored = Lib().sockets[fd] = accepted;
  Rewatch(fd, stored);
  FromHost(peer, address, length);
  return SOCKET(fd);
}

int send(SOCKET s, const char* data, int length, int flags) {
  if (!Started()) return SOCKET_ERROR;
  if (length < 0 || (length > 0 && !data)) return Fail(WSAEFAULT);
  {
    std::lock_guard lock(Lib().lock);
    if (!Find(s)) return SOCKET_ERROR;
  }
  ssize_t n = ::send(int(s), data, size_t(length), MSG_NOSIGNAL | ((flags & 1) ? MSG_OOB : 0));
  if (n >= 0) return int(n);
  int error = errno;
  std::lock_guard lock(Lib().lock);
  if (SocketState* st = Find(s); st && (error == EAGAIN || error == EWOULDBLOCK)) {
    st->writeArmed = true;
    Rewatch(int(s), *st);
  }
  return Fail(ErrorFromErrno(error));
}

int recv(SOCKET s, char* data, int length, int flags) {
  if (!Started()) return SOCKET_ERROR;
  if (length < 0 || (length > 0 && !data)) return Fail(WSAEFAULT);
  {
    std::lock_guard lock(Lib().lock);
    if (!Find(s)) return SOCKET_ERROR;
  }
  int hostFlags = ((flags & 1) ? MSG_OOB : 0) | ((flags & 2) ? MSG_PEEK : 0);
  ssize_t n = ::recv(int(s), data, size_t(length), hostFlags);
  int error = errno;
  {
    std::lock_guard lock(Lib().lock);
    if (SocketState* st = Find(s); st && !(flags & 2) && !st->readArmed) {
      st->readArmed = true;
      Rewatch(int(s), *st);
    }
  }
  if (n < 0) return Fail(ErrorFromErrno(error));
  return int(n);
}

int ioctlsocket(SOCKET s, long command, unsigned long* argument) {
  if (!Started()) return SOCKET_ERROR;
  if (!argument) return Fail(WSAEFAULT);
  std::lock_guard lock(Lib().lock);
  SocketState* st = Find(s);
  if (!st) return SOCKET_ERROR;
  int fd = int(s);
  if (command == win::kFionread) {
    int waiting = 0;
    if (::ioctl(fd, FIONREAD, &waiting) != 0) return FailErrno();
    *argument = unsigned(waiting);
    return 0;
  }
  if (command == win::kFionbio) {
    // A socket that reports to a window stays non-blocking.
    if (!*argument && st->hwnd) return Fail(WSAEINVAL);
    int fl = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, *argument ? (fl | O_NONBLOCK) : (fl & ~O_NONBLOCK));
    return 0;
  }
  return Fail(WSAEINVAL);
}

hostent* gethostbyname(const char* name) {
  if (!Started()) return nullptr;
  if (!name) {
    Fail(WSAEFAULT);
    return nullptr;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  int r = ::getaddrinfo(name, nullptr, &hints, &found);
  if (r != 0 || !found) {
    Fail(r == EAI_AGAIN ? WSATRY_AGAIN : r == EAI_FAIL ? WSANO_RECOVERY : WSAHOST_NOT_FOUND);
    return nullptr;
  }
  struct Result {
    std::string name;
    std::vector<uint32_t> addresses;
    std::vector<char*> list;
    char* aliases[1] = {nullptr};
    hostent entry{};
  };
  thread_local Result result;
  result = Result{};
  result.name = found->ai_canonname ? found->ai_canonname : name;
  for (addrinfo* a = found; a; a = a->ai_next) {
    uint32_t address = reinterpret_cast<const ::sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
    bool seen = false;
    for (uint32_t x : result.addresses) seen = seen || x == address;
    if (!seen) result.addresses.push_back(address);
  }
  ::freeaddrinfo(found);
  for (uint32_t& address : result.addresses)
    result.list.push_back(reinterpret_cast<char*>(&address));
  result.list.push_back(nullptr);
  result.entry.h_name = result.name.data();
  result.entry.h_aliases = result.aliases;
  result.entry.h_addrtype = 2;
  result.entry.h_length = 4;
  result.entry.h_addr_list = result.list.data();
  return &result.entry;
}

int gethostname(char* name, int length) {
  if (!Started()) return SOCKET_ERROR;
  if (!name || length <= 0) return Fail(WSAEFAULT);
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return FailErrno();
  if (std::strlen(host) + 1 > size_t(length)) return Fail(WSAEFAULT);
  std::strcpy(name, host);
  return 0;
}

int getsockname(SOCKET s, sockaddr* address, int* length) {
  if (!Started()) return SOCKET_ERROR;
  if (!address || !length || *length < int(sizeof(winsock::sockaddr_in))) return Fail(WSAEFAULT);
  std::lock_guard lock(Lib().lock);
  if (!Find(s)) return SOCKET_ERROR;
  ::sockaddr_in host{};
  socklen_t hostLength = sizeof host;
  if (::getsockname(int(s), reinterpret_cast<::sockaddr*>(&host), &hostLength) != 0)
    return FailErrno();
  FromHost(host, address, length);
  return 0;
}

int setsockopt(SOCKET s, int level, int option, const char* value, int length) {
  if (!Started()) return SOCKET_ERROR;
  if (!value || length < int(sizeof(int))) return Fail(WSAEFAULT);
  std::lock_guard lock(Lib().lock);
  if (!Find(s)) return SOCKET_ERROR;
  int hostLevel, hostOption;
  if (level == win::kSolSocket && option == win::kReuseAddr) {
    hostLevel = SOL_SOCKET, hostOption = SO_REUSEADDR;
  } else if (level == win::kSolSocket && option == win::kKeepAlive) {
    hostLevel = SOL_SOCKET, hostOption = SO_KEEPALIVE;
  } else if (level == win::kSolSocket && option == win::kSndBuf) {
    hostLevel = SOL_SOCKET, hostOption = SO_SNDBUF;
  } else if (level == win::kSolSocket && option == win::kRcvBuf) {
    hostLevel = SOL_SOCKET, hostOption = SO_RCVBUF;
  } else if (level == win::kTcp && option == win::kNoDelay) {
    hostLevel = IPPROTO_TCP, hostOption = TCP_NODELAY;
  } else {
    return Fail(WSAENOPROTOOPT);
  }
  int v;
  std::memcpy(&v, value, sizeof v);
  if (::setsockopt(int(s), hostLevel, hostOption, &v, sizeof v) != 0) return FailErrno();
  return 0;
}

int WSAAsyncSelect(SOCKET s, HWND hwnd, UINT msg, long events) {
  if (!Started()) return SOCKET_ERROR;
  std::lock_guard lock(Lib().lock);
  SocketState* st = Find(s);
  if (!st) return SOCKET_ERROR;
  if (hwnd && !IsWindow(hwnd)) return Fail(WSAEINVAL);
  int fd = int(s);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  st->hwnd = events ? hwnd : nullptr;
  st->msg = msg;
  st->mask = events;
  st->readArmed = st->writeArmed = st->acceptArmed = true;
  Rewatch(fd, *st);
  return 0;
}

void* ProcAddress(const char* name) {
  struct Export {
    const char* name;
    void* routine;
  };
  static const Export kExports[] = {
      {"WSAStartup", (void*)&WSAStartup},
      {"WSACleanup", (void*)&WSACleanup},
      {"WSAGetLastError", (void*)&WSAGetLastError},
      {"WSAAsyncSelect", (void*)&WSAAsyncSelect},
      {"socket", (void*)&winsock::socket},
      {"closesocket", (void*)&closesocket},
      {"inet_addr", (void*)&winsock::inet_addr},
      {"connect", (void*)&winsock::connect},
      {"bind", (void*)&winsock::bind},
      {"listen", (void*)&winsock::listen},
      {"accept", (void*)&winsock::accept},
      {"send", (void*)&winsock::send},
      {"recv", (void*)&winsock::recv},
      {"ioctlsocket", (void*)&ioctlsocket},
      {"gethostbyname", (void*)&winsock::gethostbyname},
      {"gethostname", (void*)&winsock::gethostname},
      {"getsockname", (void*)&winsock::getsockname},
      {"setsockopt", (void*)&winsock::setsockopt},
  };
  if (!name) return nullptr;
  for (const Export& e : kExports)
    if (std::strcmp(e.name, name) == 0) return e.routine;
  return nullptr;
}

}  // namespace tess::platform::winsock
