/* Sockets and a serial line through the run loop: a server and a client
   exchange a line each, the client closes and the server hears it, then a
   byte written at the far end of a pseudo-terminal reaches the Serial
   object through the loop's idle work. Nothing here polls: the loop sleeps
   in its message wait until a descriptor wakes it. The last handler quits. */
#include "../../image/e2e/startup/say.h"

extern int host_socket(int family, int type, int protocol)
    TESS_LIBRARY_ROUTINE("libc.so.6", "socket");
extern int host_bind(int fd, const void* address, unsigned length)
    TESS_LIBRARY_ROUTINE("libc.so.6", "bind");
extern int host_getsockname(int fd, void* address, unsigned* length)
    TESS_LIBRARY_ROUTINE("libc.so.6", "getsockname");
extern int host_close(int fd) TESS_LIBRARY_ROUTINE("libc.so.6", "close");
extern int host_posix_openpt(int flags) TESS_LIBRARY_ROUTINE("libc.so.6", "posix_openpt");
extern int host_grantpt(int fd) TESS_LIBRARY_ROUTINE("libc.so.6", "grantpt");
extern int host_unlockpt(int fd) TESS_LIBRARY_ROUTINE("libc.so.6", "unlockpt");
extern char* host_ptsname(int fd) TESS_LIBRARY_ROUTINE("libc.so.6", "ptsname");
extern int host_setenv(const char* name, const char* value, int overwrite)
    TESS_LIBRARY_ROUTINE("libc.so.6", "setenv");

extern TessString kLoopback, kPing, kPong;
extern unsigned char MainLayout[];

enum { kServerClass = 3, kClientClass = 4, kLineClass = 5 };
enum { kSocketPortOffset = 20, kSerialPortOffset = 32 };

static TessObject *g_server, *g_client, *g_line;
static int g_master = -1;

static int equals(TessString* s, const char* text) {
  const char* got = StringToCString(s);
  unsigned long i = 0;
  for (; got[i] && text[i]; ++i) {
    if (got[i] != text[i]) return 0;
  }
  return got[i] == text[i];
}

/* A loopback port nobody uses now. */
static int free_port(void) {
  unsigned char address[16] = {2, 0, 0, 0, 127, 0, 0, 1};
  unsigned length = sizeof address;
  int fd = host_socket(2, 1, 0);
  host_bind(fd, address, sizeof address);
  host_getsockname(fd, address, &length);
  host_close(fd);
  return address[2] << 8 | address[3];
}

void ClientConnected(TessObject* self) {
  say("client connected");
  SocketWrite(self, &kPing);
}

void ServerData(TessObject* self) {
  TessString* got = SocketReadAll(self);
  say(equals(got, "ping") ? "server got ping" : "server got WRONG");
  RuntimeUnlockString(got);
  SocketWrite(self, &kPong);
}

void ClientData(TessObject* self) {
  TessString* got = SocketReadAll(self);
  say(equals(got, "pong") ? "client got pong" : "client got WRONG");
  RuntimeUnlockString(got);
  socketClose(self);
}

void ServerError(TessObject* self) {
  say(socketLastErrorCode(self, 0) == 102 ? "server heard the close: 102" : "server error WRONG");
  host_write(g_master, "hi", 2);
}

void LineData(TessObject* self) {
  TessString* got = serialReadAll(self);
  say(equals(got, "hi") ? "serial got hi" : "serial got WRONG");
  RuntimeUnlockString(got);
  ApplicationQuit();
}

void TessMain(void) {
  TessObject* window = 0;
  char setting[160] = "COM2=";
  const char* path;
  int i, port;
  RuntimeInit(TessApplication);
  RuntimeCreateWindow(MainLayout, &window);

  g_master = host_posix_openpt(0x102); /* O_RDWR | O_NOCTTY */
  host_grantpt(g_master);
  host_unlockpt(g_master);
  path = host_ptsname(g_master);
  for (i = 0; path[i] && i < 150; ++i) setting[5 + i] = path[i];
  setting[5 + i] = 0;
  host_setenv("TESSERA_COMM_PORTS", setting, 1);
  g_line = RuntimeNewObject(kLineClass);
  shortSetter(g_line, kSerialPortOffset, 1);
  say(serialOpen(g_line) ? "COM2 open" : "COM2 WRONG");

  port = free_port();
  g_server = RuntimeNewObject(kServerClass);
  intSetter(g_server, kSocketPortOffset, port);
  SocketListen(g_server);
  g_client = RuntimeNewObject(kClientClass);
  socketDirectConnect(g_client, &kLoopback, port);
  RuntimeRun();
  say("not reached: the quit ends the application");
}
