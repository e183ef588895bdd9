// The desktop: every top-level window's backing composed, back to front,
// onto one framebuffer over the desktop colour, with each window's frame
// and caption drawn in the classic look. Screenshots of the desktop or of
// one window are taken from it. When asked (TESSERA_DISPLAY=x11) and an X
// display is there, the desktop is also shown in a real window whose mouse
// and keyboard feed the input queue; otherwise it stays in memory.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/windef.h"

namespace tess::platform::desktop {

// Composes and returns the desktop framebuffer.
const gdi::Surface& Compose();
// A copy of one window as it appears (frame included), or nullptr.
std::unique_ptr<gdi::Surface> CaptureWindow(HWND hwnd);
bool SaveScreenshot(const std::string& path);
bool SaveWindowScreenshot(HWND hwnd, const std::string& path);

// A presenter shows composed frames and feeds host input back in; it is
// called on the thread that installed it whenever that thread runs out of
// messages, never on another thread.
// While one is installed, waiting threads wake at least every `pollMs`.
struct Presenter {
  std::function<void()> idle;
  int pollMs = 15;
  DWORD thread = 0;  // the thread that installed it: the only one it serves
};
void SetPresenter(std::shared_ptr<Presenter> presenter);
// Starts the X11 presenter when the setting asks for it and a display is
// there; false otherwise (headless).
bool PresentIfAsked();

// The screens of the X11 display the desktop is presented on, in the
// display's order; empty when headless.
struct HostScreen {
  int width = 0, height = 0, depth = 0;
};
std::vector<HostScreen> PresentedScreens();

}  // namespace tess::platform::desktop
