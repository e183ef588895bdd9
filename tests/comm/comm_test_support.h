// Helpers for the communication tests: application subclasses whose
// handlers log the events they see, a message pump, pseudo-terminal pairs
// and free loopback ports.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/user/winuser.h"
#include "runtime/object_layout.h"
#include "runtime/string_value.h"

namespace tess::test {

// Handlers log "<tag> <event>"; the tag is the object's address's entry in
// `names`, so two sockets in one test tell their events apart.
struct EventLog {
  std::vector<std::string> events;
  std::vector<std::pair<TessObject*, std::string>> names;
  std::function<void(TessObject*, const std::string&)> onEvent;
  std::string NameOf(TessObject* o) const {
    for (auto& [object, name] : names)
      if (object == o) return name;
    return "?";
  }
  // The events of one object, without its name.
  std::vector<std::string> Of(const std::string& name) const {
    std::vector<std::string> out;
    for (const std::string& e : events)
      if (e.rfind(name + " ", 0) == 0) out.push_back(e.substr(name.size() + 1));
    return out;
  }
};

inline EventLog& Log() {
  static EventLog log;
  return log;
}

template <const char* Name>
uint32_t LogEvent(TessObject* o) {
  Log().events.push_back(Log().NameOf(o) + " " + Name);
  if (Log().onEvent) Log().onEvent(o, Name);
  return 0;
}

// An application class below `framework` handling the named events.
class HandlingClass {
 public:
  HandlingClass(ClassObject* framework,
                std::initializer_list<std::pair<const char*, void*>> hooks) {
    cls_.superclass = framework;
    cls_.instanceSize = framework->instanceSize;
    HookDescriptor* next = nullptr;
    for (auto& [name, code] : hooks) {
      names_.push_back(std::make_unique<StaticString>(name));
      hooks_.push_back(
          std::make_unique<HookDescriptor>(HookDescriptor{next, names_.back()->get(), 0, code}));
      next = hooks_.back().get();
    }
    cls_.hooks = next;
  }
  ClassObject* get() { return &cls_; }

 private:
  ClassObject cls_{};
  std::vector<std::unique_ptr<StaticString>> names_;
  std::vector<std::unique_ptr<HookDescriptor>> hooks_;
};

// Dispatches messages until `done` or `ms` pass; false on time-out.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    platform::MSG msg;
    if (platform::PeekMessage(&msg, nullptr, 0, 0, platform::PM_REMOVE)) {
      platform::DispatchMessage(&msg);
    } else {
      platform::SetTimer(nullptr, 0x7777, 20, nullptr);  // bounds the wait below
      platform::WaitMessage();
      platform::KillTimer(nullptr, 0x7777);
    }
  }
  return true;
}

// A loopback port nobody listens on now.
inline int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t length = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  return ntohs(a.sin_port);
}

// A pseudo-terminal pair: the master is the far end of the line, the
// slave's path is what a COM port maps onto.
struct PtyPair {
  int master = -1, slave = -1;
  std::string path;
  PtyPair() {
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
      path = name;
      ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
      // The runtime opens the path itself; the slave stays open here so
      // that the line does not hang up between opens.
    }
  }
  ~PtyPair() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
  }
  // Everything the master can read within `ms`.
  std::string Drain(size_t want, int ms = 5000) const {
    std::string out;
    char buffer[65536];
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (out.size() < want && std::chrono::steady_clock::now() < end) {
      ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n > 0) {
        out.append(buffer, size_t(n));
      } else {
        ::usleep(1000);
      }
    }
    return out;
  }
};

}  // namespace tess::test
