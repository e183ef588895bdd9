#include "platform/kernel/process.h"

#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace tess::platform {

std::string GetModuleFileName() {
  char path[4096];
  ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return std::string(path, size_t(n));
}

namespace {
std::span<const ModuleResource> g_resources;
}  // namespace

void SwitchToThread() {
  ::sched_yield();
}

void SetModuleResources(std::span<const ModuleResource> resources) {
  g_resources = resources;
}

bool FindResource(const char* type, int id, const volatile uint8_t** data, size_t* size) {
  for (const ModuleResource& r : g_resources) {
    if (r.id == id && std::strcmp(r.type, type) == 0) {
      *data = r.data;
      *size = r.size;
      return true;
    }
  }
  return false;
}

void OutputDebugString(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

namespace {

std::mutex g_exitLock;
std::vector<void (*)()>& ExitRoutines() {
  static auto* routines = new std::vector<void (*)()>;
  return *routines;
}

void RunExitRoutines() {
  for (;;) {
    void (*routine)();
    {
      std::lock_guard<std::mutex> guard(g_exitLock);
      if (ExitRoutines().empty()) return;
      routine = ExitRoutines().back();
      ExitRoutines().pop_back();
    }
    routine();
  }
}

}  // namespace

void AddExitRoutine(void (*routine)()) {
  std::lock_guard<std::mutex> guard(g_exitLock);
  if (ExitRoutines().empty()) std::atexit(&RunExitRoutines);
  ExitRoutines().push_back(routine);
}

void ExitProcess(int code) {
  RunExitRoutines();
  std::fflush(nullptr);
  ::_exit(code);
}

void FatalAppExit(const char* text) {
  std::fprintf(stderr, "%s\n", text);
  std::fflush(nullptr);
  ::_exit(3);
}

}  // namespace tess::platform
