// WinSock 1.1 over the host's BSD sockets: the routines of "wsock32.dll"
// that the runtime loads by name (LoadLibrary finds this library built in,
// library.h), with the platform's structures, constants and error numbers.
//
// A SOCKET is the host descriptor. WSAAsyncSelect makes a socket
// non-blocking and reports its network events as messages posted to a
// window, the platform's way: each event is reported once and then waits
// for the call that re-enables it (FD_READ for recv, FD_WRITE for a send
// that would block, FD_ACCEPT for accept); FD_CONNECT and FD_CLOSE come
// once. The descriptors are watched by the window's thread in its message
// wait (user/descriptor_wait.h), so nothing polls. wParam is the socket,
// lParam holds the event in its low word and the error in its high word.
#pragma once

#include <cstdint>

#include "platform/user/winuser.h"

namespace tess::platform::winsock {

using SOCKET = uintptr_t;
constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
constexpr int SOCKET_ERROR = -1;

constexpr int AF_INET = 2;
constexpr int SOCK_STREAM = 1;
constexpr uint32_t INADDR_ANY = 0;
constexpr uint32_t INADDR_NONE = 0xFFFFFFFF;
constexpr int SOL_SOCKET = 0xFFFF;
constexpr int SO_REUSEADDR = 0x0004;
constexpr int SO_KEEPALIVE = 0x0008;
constexpr int SO_SNDBUF = 0x1001;
constexpr int SO_RCVBUF = 0x1002;
constexpr int IPPROTO_TCP = 6;
constexpr int TCP_NODELAY = 1;
constexpr long FIONREAD = 0x4004667F;
constexpr long FIONBIO = long(0x8004667E);

constexpr long FD_READ = 0x01, FD_WRITE = 0x02, FD_OOB = 0x04, FD_ACCEPT = 0x08, FD_CONNECT = 0x10,
               FD_CLOSE = 0x20;

constexpr int WSAEINTR = 10004, WSAEBADF = 10009, WSAEACCES = 10013, WSAEFAULT = 10014,
              WSAEINVAL = 10022, WSAEMFILE = 10024, WSAEWOULDBLOCK = 10035, WSAEINPROGRESS = 10036,
              WSAEALREADY = 10037, WSAENOTSOCK = 10038, WSAEMSGSIZE = 10040, WSAENOPROTOOPT = 10042,
              WSAEPROTONOSUPPORT = 10043, WSAEOPNOTSUPP = 10045, WSAEAFNOSUPPORT = 10047,
              WSAEADDRINUSE = 10048, WSAEADDRNOTAVAIL = 10049, WSAENETDOWN = 10050,
              WSAENETUNREACH = 10051, WSAENETRESET = 10052, WSAECONNABORTED = 10053,
              WSAECONNRESET = 10054, WSAENOBUFS = 10055, WSAEISCONN = 10056, WSAENOTCONN = 10057,
              WSAESHUTDOWN = 10058, WSAETIMEDOUT = 10060, WSAECONNREFUSED = 10061,
              WSAEHOSTDOWN = 10064, WSAEHOSTUNREACH = 10065, WSAVERNOTSUPPORTED = 10092,
              WSANOTINITIALISED = 10093, WSAHOST_NOT_FOUND = 11001, WSATRY_AGAIN = 11002,
              WSANO_RECOVERY = 11003, WSANO_DATA = 11004;

struct in_addr {
  uint32_t s_addr;  // network byte order
};
struct sockaddr {
  uint16_t sa_family;
  char sa_data[14];
};
struct sockaddr_in {
  int16_t sin_family;
  uint16_t sin_port;  // network byte order
  in_addr sin_addr;
  char sin_zero[8];
};
struct hostent {
  char* h_name;
  char** h_aliases;
  int16_t h_addrtype;
  int16_t h_length;
  char** h_addr_list;
};
struct WSADATA {
  uint16_t wVersion;
  uint16_t wHighVersion;
  char szDescription[257];
  char szSystemStatus[129];
  uint16_t iMaxSockets;
  uint16_t iMaxUdpDg;
  char* lpVendorInfo;
};

constexpr uint16_t WSAGETSELECTEVENT(LPARAM l) {
  return LOWORD(uintptr_t(l));
}
constexpr uint16_t WSAGETSELECTERROR(LPARAM l) {
  return HIWORD(uintptr_t(l));
}

constexpr uint16_t htons(uint16_t value) {
  return uint16_t(value << 8 | value >> 8);
}
constexpr uint16_t ntohs(uint16_t value) {
  return htons(value);
}

// The library's routines, as GetProcAddress hands them out.
int WSAStartup(uint16_t version, WSADATA* data);
int WSACleanup();
int WSAGetLastError();
SOCKET socket(int family, int type, int protocol);
int closesocket(SOCKET s);
uint32_t inet_addr(const char* text);
int connect(SOCKET s, const sockaddr* address, int length);
int bind(SOCKET s, const sockaddr* address, int length);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* address, int* length);
int send(SOCKET s, const char* data, int length, int flags);
int recv(SOCKET s, char* data, int length, int flags);
int ioctlsocket(SOCKET s, long command, unsigned long* argument);
// The result lives until the thread's next call.
hostent* gethostbyname(const char* name);
int gethostname(char* name, int length);
int getsockname(SOCKET s, sockaddr* address, int* length);
int setsockopt(SOCKET s, int level, int option, const char* value, int length);
int WSAAsyncSelect(SOCKET s, HWND hwnd, UINT msg, long events);

// The routine of that exact name, or null: what GetProcAddress answers for
// this library.
void* ProcAddress(const char* name);

}  // namespace tess::platform::winsock
