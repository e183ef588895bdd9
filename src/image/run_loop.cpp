// The run loop behind RuntimeRun, background work, quitting and the
// unhandled-exception path.
//
// The loop's recovery point is its own catch: an exception that reaches it
// has already unwound every runtime frame in between (destructors run, locks
// released), so resuming is simply the next iteration.
#include <cstdio>
#include <string>
#include <vector>

#include "image/startup.h"
#include "platform/kernel/process.h"
#include "platform/user/automation.h"
#include "platform/user/desktop.h"
#include "platform/user/winuser.h"
#include "platform/winmm/mmsystem.h"
#include "runtime/alerts.h"
#include "runtime/concurrency.h"
#include "runtime/exceptions.h"
#include "runtime/framework_classes.h"
#include "runtime/name_fold.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"

namespace tess {

namespace {

constexpr size_t kUnhandledMessage = 4;
constexpr char kDefaultUnhandledMessage[] =
    "An exception of class %1 was not handled.\rThe application must shut down.";

struct PendingCall {
  void (*call)(void*);
  void* context;
};

struct LoopState {
  RunLoopServices services;
  bool quit = false;
  bool started = false;
  bool running = false;  // inside RuntimeRun: the recovery point exists
  bool inUnhandled = false;
  bool userCancel = false;
  bool backgroundRan = false;
  uint32_t lastBackgroundTick = 0;
  std::vector<PendingCall> pending;
};

LoopState& Loop() {
  static LoopState state;
  return state;
}

int OpenWindows() {
  const RunLoopServices& s = Loop().services;
  return s.openWindowCount ? s.openWindowCount() : 0;
}

void CloseAllWindows() {
  const RunLoopServices& s = Loop().services;
  if (s.closeAllWindows) s.closeAllWindows();
}

void PeriodicStep();

// What the runtime does before the process ends: windows closed (unless
// told otherwise), the application's objects let go.
[[noreturn]] void ShutDown(bool closeWindows) {
  if (closeWindows) CloseAllWindows();
  platform::CloseAllMediaOutput();
  platform::ExitProcess(0);
}

void OnUnhandled(LanguageException& e) {
  TessObject* exception = e.exception();
  if (IsA(exception, Exceptions().end)) ShutDown(true);
  LoopState& loop = Loop();
  TessObject* app = ApplicationObject();
  uint32_t absorbed = 0;
  if (app && !loop.inUnhandled) {
    loop.inUnhandled = true;
    try {
      FireEvent(app, ApplicationEvent(AppEvent::kUnhandledException),
                {uint32_t(reinterpret_cast<uintptr_t>(exception))}, &absorbed);
    } catch (LanguageException&) {
      absorbed = 0;
    }
    loop.inUnhandled = false;
  }
  if ((absorbed & 0xFF) && loop.running) return;  // the loop resumes

  std::string text = MessageText(kUnhandledMessage);
  if (text.empty()) text = kDefaultUnhandledMessage;
  const TessString* name = NearestClassName(Header(exception)->cls);
  std::string className(View(name));
  for (size_t at = text.find("%1"); at != std::string::npos; at = text.find("%1", at)) {
    text.replace(at, 2, className);
    at += className.size();
  }
  ShowRuntimeMessage(text);
  ShutDown(false);
}

void DeliverPendingCalls() {
  LoopState& loop = Loop();
  std::vector<PendingCall> calls;
  calls.swap(loop.pending);
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) it->call(it->context);
}

void Iteration() {
  LoopState& loop = Loop();
  const RunLoopServices& s = loop.services;
  loop.started = true;
  if (s.updateVisibility) s.updateVisibility();

  platform::MSG msg;
  bool received;
  // Waiting with no window open could wait forever; poll instead, so the
  // loop notices that nothing is left.
  bool poll =
      (s.wantsPolling && s.wantsPolling()) || (OpenWindows() == 0 && !MultipleDocumentMode());
  if (poll) {
    received = platform::PeekMessage(&msg, nullptr, 0, 0, platform::PM_REMOVE);
  } else {
    received = true;
    if (!platform::GetMessage(&msg, nullptr, 0, 0)) loop.quit = true;
  }
  if (received && msg.message == platform::WM_QUIT) loop.quit = true;
  if (received && msg.message != platform::WM_QUIT) {
    if (!(s.offerShortcut && s.offerShortcut(&msg))) {
      platform::TranslateMessage(&msg);
      platform::DispatchMessage(&msg);
    }
  }

  DeliverPendingCalls();
  if (s.focusIdle) s.focusIdle();
  loop.userCancel = false;
  if (!MultipleDocumentMode() && OpenWindows() == 0) loop.quit = true;
  PeriodicStep();
}

void PeriodicStep() {
  RunPeriodicServices();
}

}  // namespace

void RunOneIteration() {
  try {
    Iteration();
  } catch (LanguageException& e) {
    HandleUnhandled(e);  // returns only when the loop may resume
  }
}

bool FilterForScript(const platform::MSG& msg) {
  const RunLoopServices& s = Loop().services;
  return s.offerShortcut && s.offerShortcut(&msg);
}

// The script of the TESSERA_SCRIPT setting drives the application before the
// loop takes over, its keys reaching the shortcuts as typed keys do. A
// headless application has nobody left to drive it afterwards: it ends, its
// windows closed. A failing line is reported on standard error and ends it
// too, with status 3.
void RunScript() {
  if (!platform::automation::HasScriptSetting()) return;
  platform::automation::SetDispatchFilter(&FilterForScript);
  std::string error;
  bool ok;
  try {
    ok = platform::automation::RunScriptFromSetting(&error);
  } catch (LanguageException& e) {
    HandleUnhandled(e);
    ok = true;
  }
  platform::automation::SetDispatchFilter(nullptr);
  if (!ok) {
    std::fprintf(stderr, "[script: %s]\n", error.c_str());
    std::fflush(stderr);
    CloseAllWindows();
    platform::ExitProcess(3);
  }
  if (platform::desktop::PresentIfAsked()) return;
  Loop().quit = true;
}

void SetRunLoopServices(const RunLoopServices& services) {
  Loop().services = services;
}

void AddPendingCall(void (*call)(void*), void* context) {
  Loop().pending.push_back({call, context});
}

void InstallUnhandledPath() {
  SetUnhandledHandler(&OnUnhandled);
}

}  // namespace tess

extern "C" {

void RuntimeRun() {
  tess::LoopState& loop = tess::Loop();
  loop.running = true;
  tess::RunScript();
  while (!loop.quit) tess::RunOneIteration();
  loop.running = false;
  tess::CloseAllWindows();
  tess::platform::CloseAllMediaOutput();
}

void RuntimeBackgroundTask() {
  // The loop's idle work belongs to the main thread; a Thread's loops just
  // let the others run.
  if (tess::OnWorkerThread()) {
    tess::platform::SwitchToThread();
    return;
  }
  tess::LoopState& loop = tess::Loop();
  uint32_t tick = tess::platform::GetTickCount();
  if (loop.backgroundRan && tick == loop.lastBackgroundTick) return;
  tess::AtEntry([] { tess::PeriodicStep(); });
  loop.userCancel = tess::platform::GetAsyncKeyState(tess::platform::VK_ESCAPE) < 0;
  loop.lastBackgroundTick = tick;
  loop.backgroundRan = true;
}

int32_t ApplicationQuit() {
  return tess::AtEntry([]() -> int32_t {
    TessObject* app = tess::ApplicationObject();
    if (!app) return 0;
    auto* inProgress = reinterpret_cast<uint8_t*>(app) + tess::kQuitInProgressOffset;
    if (*inProgress) return 0;
    *inProgress = 1;
    const tess::RunLoopServices& s = tess::Loop().services;
    if (s.mayAllWindowsClose && !s.mayAllWindowsClose()) {
      *inProgress = 0;
      return 0;
    }
    try {
      tess::FireEvent(app, tess::ApplicationEvent(tess::AppEvent::kClose), {});
    } catch (...) {
      *inProgress = 0;
      throw;
    }
    tess::CloseAllWindows();
    *inProgress = 0;
    tess::Raise(tess::RuntimeError::kEnd);
  });
}

}  // extern "C"
