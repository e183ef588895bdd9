// 100 MB through a loopback connection: a Socket client writing to a Socket
// server in one thread, driven by the message loop (SendComplete writes the
// next piece, DataAvailable reads everything that came), against a plain
// blocking host socket pair with a writer thread and a reading one.
//
// Usage: socket_bench [megabytes] [repetitions]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "bench_support.h"
#include "comm/comm_test_support.h"
#include "comm/socket.h"
#include "comm/sockets_and_serial.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/value_classes.h"

namespace {

using tess::bench::MedianSeconds;
using tess::bench::PrintRatio;

constexpr size_t kPiece = 4 << 20;

struct Transfer {
  TessObject* server = nullptr;
  TessObject* client = nullptr;
  TessString* piece = nullptr;
  size_t total = 0, sent = 0, received = 0;
} g_transfer;

void WritePiece() {
  Transfer& t = g_transfer;
  if (t.sent >= t.total) return;
  SocketWrite(t.client, t.piece);
  t.sent += kPiece;
}

uint32_t OnSendComplete(TessObject*) {
  WritePiece();
  return 0;
}

uint32_t OnDataAvailable(TessObject* socket) {
  TessString* got = SocketReadAll(socket);
  g_transfer.received += size_t(tess::Length(got));
  tess::UnlockString(got);
  return 0;
}

uint32_t Ignore(TessObject*) {
  return 0;
}

double SocketRun(size_t total, int repetitions) {
  tess::test::HandlingClass cls(tess::comm::SocketClass(),
                                {{"SendComplete", (void*)&OnSendComplete},
                                 {"DataAvailable", (void*)&OnDataAvailable},
                                 {"Connected", (void*)&Ignore},
                                 {"Error", (void*)&Ignore}});
  return MedianSeconds(repetitions, [&] {
    Transfer& t = g_transfer;
    t = Transfer{};
    t.total = total;
    t.piece = tess::MakeString(std::string(kPiece, 'x'));
    t.server = tess::CreateObject(cls.get());
    t.client = tess::CreateObject(cls.get());
    int port = tess::test::FreePort();
    intSetter(t.server, 20, port);
    SocketListen(t.server);
    TessString* address = tess::MakeString("127.0.0.1");
    socketDirectConnect(t.client, address, port);
    tess::UnlockString(address);
    tess::test::PumpUntil(
        [&] { return SocketIsConnected(t.client) && SocketIsConnected(t.server); });
    WritePiece();
    tess::test::PumpUntil([&] { return t.received >= t.total; }, 600000);
    if (t.received != t.total) std::fprintf(stderr, "socket run lost bytes\n");
    tess::UnlockObject(t.client);
    tess::UnlockObject(t.server);
    tess::UnlockString(t.piece);
  });
}

double PlainRun(size_t total, int repetitions) {
  return MedianSeconds(repetitions, [&] {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(listener, 1);
    socklen_t length = sizeof a;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length);
    std::thread writer([&] {
      int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
      std::string piece(kPiece, 'x');
      for (size_t sent = 0; sent < total;) {
        size_t offset = 0;
        while (offset < piece.size()) {
          ssize_t n = ::send(fd, piece.data() + offset, piece.size() - offset, 0);
          if (n <= 0) break;
          offset += size_t(n);
        }
        sent += piece.size();
      }
      ::close(fd);
    });
    int fd = ::accept(listener, nullptr, nullptr);
    std::string buffer(1 << 20, '\0');
    size_t received = 0;
    for (;;) {
      ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
      if (n <= 0) break;
      received += size_t(n);
    }
    writer.join();
    ::close(fd);
    ::close(listener);
    if (received != total) std::fprintf(stderr, "plain run lost bytes\n");
  });
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? size_t(std::atoi(argv[1])) : 100;
  int repetitions = argc > 2 ? std::atoi(argv[2]) : 3;
  size_t total = (megabytes << 20) / kPiece * kPiece;
  tess::InitFrameworkAndValueClasses();
  tess::comm::InitSocketsAndSerial(nullptr);
  double plain = PlainRun(total, repetitions);
  double ours = SocketRun(total, repetitions);
  std::string what = std::to_string(total >> 20) + " MB through a loopback Socket";
  PrintRatio(what.c_str(), ours, "blocking host sockets", plain);
  return 0;
}
