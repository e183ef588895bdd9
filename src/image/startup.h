// The runtime's spine in time: RuntimeInit, the run loop behind RuntimeRun,
// background work, quitting, and the unhandled-exception path.
//
// Windows plug in through RunLoopServices: until they do, the runtime runs
// with no windows open, so a loop outside multiple-document mode ends after
// its first iteration.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/events.h"
#include "tessera/types.h"

namespace tess {

struct RunLoopServices {
  int (*openWindowCount)() = nullptr;
  // Asks every window whether it may close; false when one refuses.
  bool (*mayAllWindowsClose)() = nullptr;
  void (*closeAllWindows)() = nullptr;
  void (*updateVisibility)() = nullptr;
  // Whether the mouse is captured or the runtime asked for polling.
  bool (*wantsPolling)() = nullptr;
  // Offers a message to keyboard shortcuts and menu keys; true when taken.
  bool (*offerShortcut)(const void* msg) = nullptr;
  void (*focusIdle)() = nullptr;
};
void SetRunLoopServices(const RunLoopServices& services);

// One iteration of the run loop with its recovery point: what RuntimeRun
// repeats, and what modal windows run while they are shown.
void RunOneIteration();

// Work the loop runs on every iteration and RuntimeBackgroundTask at most
// once per tick (serial polling and the like).
using PeriodicService = void (*)();
void AddPeriodicService(PeriodicService service);

void RunPeriodicServices();

// Routes raises that nothing handles to the unhandled-exception path.
void InstallUnhandledPath();

// A call the loop makes once from its idle work.
void AddPendingCall(void (*call)(void* context), void* context);

// Runtime message text `index` from the settings item (empty when absent).
std::string MessageText(size_t index);
bool MultipleDocumentMode();
const std::string& ApplicationTitle();

// Splits a command line into document arguments: a double-quoted argument
// runs to the next quote and the character after it is skipped; otherwise an
// argument runs to the next space.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The application object (no reference added), null before RuntimeInit.
TessObject* ApplicationObject();


}  // namespace tess
