// Screen and System objects, the classic colours, the installed fonts, the
// mouse and the colour dialog, over the host's desktop.
//
// Screens are the host's monitors (one headless; one per X11 screen when
// the desktop is presented), numbered in the host's order from 0. A Screen
// object remembers its number and asks the host on every read, so it
// follows a monitor that changes. Its position getters take the property's
// parameter: 0 the whole screen, 1 the area windows may use.
//
// The System object: Gestalt answers "sysv" (the platform version, 0x0501),
// "sysa" (2, an x86 processor) and "ram " / "lram" (bytes of memory the
// runtime may use); any other selector answers False. KeyScript is the
// script of the host's keyboard layout (0 Roman, 1 Japanese, 2 traditional
// Chinese, 3 Korean, 25 simplified Chinese); setting it activates the
// layout of that language. Pixel(x, y) reads the composed desktop.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/comdlg/commdlg.h"
#include "platform/gdi/font.h"
#include "platform/user/desktop.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/screen_system.h"
#include "values/class_members.h"

namespace tess::ui {

namespace {

namespace host = tess::platform;

struct ScreenFields {
  ObjectHeader header;
  int32_t index;
};
struct SystemFields {
  ObjectHeader header;
};

ClassObject* g_screen = nullptr;
ClassObject* g_system = nullptr;
TessObject* g_systemObject = nullptr;

#define OFFSET(type, field) uint32_t(offsetof(type, field))
const PropertyRecord kScreenProperties[] = {
    {0, "Left", &kIntegerType, (void*)&screenLeftGetter, nullptr, 0},
    {0, "Top", &kIntegerType, (void*)&screenTopGetter, nullptr, 0},
    {0, "Width", &kIntegerType, (void*)&screenWidthGetter, nullptr, 0},
    {0, "Height", &kIntegerType, (void*)&screenHeightGetter, nullptr, 0},
    {0, "Depth", &kIntegerType, (void*)&screenDepthGetter, nullptr, 0},
    {0, "AvailableLeft", &kIntegerType, (void*)&screenLeftGetter, nullptr, 1},
    {0, "AvailableTop", &kIntegerType, (void*)&screenTopGetter, nullptr, 1},
    {0, "AvailableWidth", &kIntegerType, (void*)&screenWidthGetter, nullptr, 1},
    {0, "AvailableHeight", &kIntegerType, (void*)&screenHeightGetter, nullptr, 1},
};
#undef OFFSET

const ParameterRecord kGestaltParameters[] = {{"Selector", &kStringType, {}},
                                              {"Result", &kIntegerType, {}}};
const ParameterRecord kPixelParameters[] = {{"X", &kIntegerType, {}}, {"Y", &kIntegerType, {}}};
const MethodRecord kSystemMethods[] = {
    Method("Gestalt", &kBooleanType, kGestaltParameters, 2, (void*)&systemGestalt),
    Method("Pixel", &kColorType, kPixelParameters, 2, (void*)&systemPixel),
};
const PropertyRecord kSystemProperties[] = {
    {0, "KeyScript", &kIntegerType, (void*)&systemGetKeyScript, (void*)&systemSetKeyScript, 0},
};

struct MonitorList {
  std::vector<host::HMONITOR> monitors;
};

host::BOOL CollectMonitor(host::HMONITOR monitor, host::HDC, host::RECT*, host::LPARAM data) {
  reinterpret_cast<MonitorList*>(data)->monitors.push_back(monitor);
  return host::TRUE;
}

std::vector<host::HMONITOR> Monitors() {
  MonitorList list;
  host::EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, host::LPARAM(&list));
  return list.monitors;
}

// The screen's monitor information; false (and zeros) when it is gone.
bool InfoOf(TessObject* screen, host::MONITORINFO* info) {
  if (!screen || !IsA(screen, g_screen)) return false;
  int32_t index = reinterpret_cast<ScreenFields*>(screen)->index;
  std::vector<host::HMONITOR> monitors = Monitors();
  if (index < 0 || size_t(index) >= monitors.size()) return false;
  return host::GetMonitorInfo(monitors[size_t(index)], info) != 0;
}

const host::RECT* AreaOf(const host::MONITORINFO& info, uint32_t available) {
  return available ? &info.rcWork : &info.rcMonitor;
}

// Key scripts and the language identifiers of their layouts.
constexpr struct {
  int32_t script;
  uint16_t language;
} kKeyScripts[] = {{0, 0x0409}, {1, 0x0411}, {2, 0x0404}, {3, 0x0412}, {25, 0x0804}};

bool Gestalt(std::string_view selector, int32_t* result) {
  if (selector == "sysv") {
    *result = 0x0501;
  } else if (selector == "sysa") {
    *result = 2;
  } else if (selector == "ram " || selector == "lram") {
    // What a 32-bit process may address at most, the platform's answer too.
    *result = INT32_MAX;
  } else {
    return false;
  }
  return true;
}

}  // namespace

void InitScreenAndSystemObjects() {
  if (g_screen) return;
  FrameworkClassDef screen{};
  screen.name = "Screen";
  screen.superclass = RootClass();
  screen.instanceSize = sizeof(ScreenFields);
  screen.properties = kScreenProperties;
  g_screen = BuildFrameworkClass(screen);

  FrameworkClassDef system{};
  system.name = "Sys$System";
  system.superclass = RootClass();
  system.instanceSize = sizeof(SystemFields);
  system.properties = kSystemProperties;
  system.methods = kSystemMethods;
  g_system = BuildFrameworkClass(system);
}

void InitScreenAndSystem() {
  InitScreenAndSystemObjects();
  InitKeyboardAndCursors();
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;
namespace host = tess::platform;

int32_t getScreenCount() {
  return int32_t(Monitors().size());
}

TessObject* getScreen(int32_t index) {
  if (index < 0 || index >= getScreenCount()) return nullptr;
  TessObject* screen = CreateObject(g_screen);
  if (screen) reinterpret_cast<ScreenFields*>(screen)->index = index;
  return screen;
}

int32_t screenLeftGetter(TessObject* screen, uint32_t available) {
  host::MONITORINFO info;
  return InfoOf(screen, &info) ? AreaOf(info, available)->left : 0;
}

int32_t screenTopGetter(TessObject* screen, uint32_t available) {
  host::MONITORINFO info;
  return InfoOf(screen, &info) ? AreaOf(info, available)->top : 0;
}

int32_t screenWidthGetter(TessObject* screen, uint32_t available) {
  host::MONITORINFO info;
  if (!InfoOf(screen, &info)) return 0;
  return AreaOf(info, available)->right - AreaOf(info, available)->left;
}

int32_t screenHeightGetter(TessObject* screen, uint32_t available) {
  host::MONITORINFO info;
  if (!InfoOf(screen, &info)) return 0;
  return AreaOf(info, available)->bottom - AreaOf(info, available)->top;
}

int32_t screenDepthGetter(TessObject* screen, uint32_t) {
  host::MONITORINFO info;
  return InfoOf(screen, &info) ? int32_t(info.bitsPerPixel) : 0;
}

TessObject* getSystemObject() {
  if (!g_systemObject) g_systemObject = CreateObject(g_system);  // kept for the process
  LockObject(g_systemObject);
  return g_systemObject;
}

int32_t systemGestalt(TessObject*, TessString* selector, int32_t* result) {
  int32_t value = 0;
  bool known = Gestalt(View(selector), &value);
  if (result) *result = value;
  return known;
}

int32_t systemPixel(TessObject*, int32_t x, int32_t y) {
  return int32_t(host::desktop::Compose().Get(x, y) & 0xFFFFFF);
}

int32_t systemGetKeyScript(TessObject*, uint32_t) {
  auto language = uint16_t(reinterpret_cast<uintptr_t>(host::GetKeyboardLayout(0)));
  for (const auto& k : kKeyScripts) {
    if (k.language == language) return k.script;
  }
  return 0;
}

void systemSetKeyScript(TessObject*, uint32_t, int32_t script) {
  for (const auto& k : kKeyScripts) {
    if (k.script == script) {
      uintptr_t layout = uintptr_t(k.language) << 16 | k.language;
      host::ActivateKeyboardLayout(reinterpret_cast<host::HKL>(layout), 0);
    }
  }
}

// The classic colours, from the host's system colours.
int32_t getFrameColor() {
  return int32_t(host::GetSysColor(host::COLOR_WINDOWFRAME));
}
int32_t getFillColor() {
  return int32_t(host::GetSysColor(host::COLOR_WINDOW));
}
int32_t getTextColor() {
  return int32_t(host::GetSysColor(host::COLOR_WINDOWTEXT));
}
int32_t getLightTingeColor() {
  return int32_t(host::GetSysColor(host::COLOR_3DLIGHT));
}
int32_t getDarkTingeColor() {
  return int32_t(host::GetSysColor(host::COLOR_BTNSHADOW));
}
int32_t getLightBevelColor() {
  return int32_t(host::GetSysColor(host::COLOR_BTNHIGHLIGHT));
}
int32_t getDarkBevelColor() {
  return int32_t(host::GetSysColor(host::COLOR_3DDKSHADOW));
}
int32_t getHilightColor() {
  return int32_t(host::GetSysColor(host::COLOR_HIGHLIGHT));
}

namespace {

int CountFamily(const host::LOGFONT*, const host::TEXTMETRIC*, host::DWORD, host::LPARAM data) {
  ++*reinterpret_cast<int32_t*>(data);
  return 1;
}

struct FontPick {
  int32_t wanted, at = 0;
  std::string name;
};

int PickFamily(const host::LOGFONT* lf, const host::TEXTMETRIC*, host::DWORD, host::LPARAM data) {
  auto* pick = reinterpret_cast<FontPick*>(data);
  if (pick->at++ != pick->wanted) return 1;
  pick->name = lf->lfFaceName;
  return 0;
}

}  // namespace

int32_t getFontCount() {
  int32_t count = 0;
  host::EnumFontFamilies(nullptr, nullptr, &CountFamily, host::LPARAM(&count));
  return count;
}

TessString* getFontName(int32_t index) {
  if (index < 0) return nullptr;
  FontPick pick{index, 0, {}};
  host::EnumFontFamilies(nullptr, nullptr, &PickFamily, host::LPARAM(&pick));
  return pick.name.empty() ? nullptr : MakeString(pick.name);
}

// The mouse, in screen coordinates.
int32_t getMouseX() {
  host::POINT p{};
  host::GetCursorPos(&p);
  return p.x;
}
int32_t getMouseY() {
  host::POINT p{};
  host::GetCursorPos(&p);
  return p.y;
}
int32_t getMouseDown() {
  return host::GetAsyncKeyState(host::VK_LBUTTON) < 0 ? 1 : 0;
}

int32_t selectColor(int32_t* color, TessString* prompt) {
  host::CHOOSECOLOR request;
  request.hwndOwner = host::GetActiveWindow();
  request.Flags = host::CC_RGBINIT;
  request.rgbResult = color ? host::COLORREF(*color) & 0xFFFFFF : 0;
  std::string title(View(prompt));
  request.title = title.empty() ? nullptr : title.c_str();
  if (!host::ChooseColor(&request)) return 0;
  if (color) *color = int32_t(request.rgbResult);
  return 1;
}
