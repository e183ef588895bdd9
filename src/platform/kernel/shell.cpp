// Special folders from the XDG settings, and the desktop opener.
#include "platform/kernel/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/kernel/file_system.h"

extern char** environ;

namespace tess::platform {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : "";
}

std::string Home() {
  std::string home = Env("HOME");
  return home.empty() ? "/tmp" : home;
}

// A user directory: the environment first, then user-dirs.dirs
// (XDG_DESKTOP_DIR="$HOME/Desktop"), then $HOME/<fallback>.
std::string UserDir(const char* key, const char* fallback) {
  std::string value = Env(key);
  if (!value.empty()) return value;
  std::ifstream in(XdgConfigHome() + "/user-dirs.dirs");
  std::string line;
  std::string prefix = std::string(key) + "=";
  while (std::getline(in, line)) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    std::string v = line.substr(prefix.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.compare(0, 5, "$HOME") == 0) v = Home() + v.substr(5);
    if (!v.empty() && v[0] == '/') return v;
  }
  return Home() + "/" + fallback;
}

struct Shell {
  std::mutex lock;
  std::vector<ShellRequest> recorded;
};
Shell& TheShell() {
  static Shell shell;
  return shell;
}

bool IsUrl(std::string_view target) {
  size_t colon = target.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    char c = target[i];
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

bool Headless() {
  std::string opener = Env("TESSERA_OPENER");
  if (opener == "record") return true;
  return Env("DISPLAY").empty() && Env("WAYLAND_DISPLAY").empty();
}

}  // namespace

bool SHGetSpecialFolderPath(int csidl, std::string* path) {
  std::string host;
  switch (csidl) {
    case CSIDL_PROGRAMS:
      host = XdgDataHome() + "/applications";
      break;
    case CSIDL_PERSONAL:
      host = UserDir("XDG_DOCUMENTS_DIR", "Documents");
      break;
    case CSIDL_STARTUP:
      host = XdgConfigHome() + "/autostart";
      break;
    case CSIDL_BITBUCKET:
      host = XdgDataHome() + "/Trash/files";
      break;
    case CSIDL_DESKTOPDIRECTORY:
      host = UserDir("XDG_DESKTOP_DIR", "Desktop");
      break;
    case CSIDL_FONTS:
      host = XdgDataHome() + "/fonts";
      break;
    case CSIDL_APPDATA:
      host = XdgConfigHome();
      break;
    default:
      SetLastError(ERROR_FILE_NOT_FOUND);
      return false;
  }
  MakeHostFolders(host);
  *path = PathOfHost(host);
  if (path->empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return true;
}

intptr_t ShellExecute(std::string_view target, bool activate) {
  std::string host;
  if (IsUrl(target) && !(target.size() >= 2 && target[1] == ':')) {
    host = std::string(target);
  } else if (!HostPathOf(target, &host) || ::access(host.c_str(), F_OK) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return SE_ERR_FNF;
  }
  if (Headless()) {
    Shell& shell = TheShell();
    std::lock_guard<std::mutex> guard(shell.lock);
    shell.recorded.push_back(ShellRequest{host, activate});
    std::fprintf(stderr, "[shell open: %s]%s\n", host.c_str(), activate ? "" : " (background)");
    std::fflush(stderr);
    return kShellSuccess;
  }
  std::string opener = Env("TESSERA_OPENER");
  if (opener.empty()) opener = "xdg-open";
  char* argv[] = {opener.data(), host.data(), nullptr};
  pid_t pid;
  if (::posix_spawnp(&pid, opener.c_str(), nullptr, nullptr, argv, environ) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return SE_ERR_NOASSOC;
  }
  // The opener returns at once; reap it without holding up the caller.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return kShellSuccess;
}

std::vector<ShellRequest> RecordedShellRequests() {
  Shell& shell = TheShell();
  std::lock_guard<std::mutex> guard(shell.lock);
  return shell.recorded;
}

}  // namespace tess::platform
