// An X server of our own (Xvfb) for the tests that present the desktop.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

namespace tess::test {

inline std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    std::string file = dir + "/" + name;
    if (!dir.empty() && ::access(file.c_str(), X_OK) == 0) return file;
  }
  return {};
}

inline bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// An X server of our own on the first free display from :91, stopped
// (by its process id) when the test ends.
class VirtualServer {
 public:
  bool Start(const std::string& program) {
    for (int n = 91; n < 100; ++n) {
      std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
      if (Exists(socket) || Exists("/tmp/.X" + std::to_string(n) + "-lock")) continue;
      display_ = ":" + std::to_string(n);
      pid_ = ::fork();
      if (pid_ == 0) {
        ::freopen("/dev/null", "w", stderr);
        ::execl(program.c_str(), "Xvfb", display_.c_str(), "-screen", "0", "1024x768x24", "-screen",
                "1", "640x480x24", "-nolisten", "tcp", static_cast<char*>(nullptr));
        ::_exit(127);
      }
      if (pid_ < 0) return false;
      // The server is up once its socket is there; it may take a moment.
      for (int i = 0; i < 500 && !Exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return Exists(socket);
    }
    return false;
  }
  ~VirtualServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }
  // Starts the server and asks for the desktop to be presented on it.
  bool StartForDesktop(const std::string& program) {
    if (!Start(program)) return false;
    setenv("DISPLAY", display_.c_str(), 1);
    setenv("TESSERA_DISPLAY", "x11", 1);
    return true;
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace tess::test
