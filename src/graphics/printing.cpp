// Printing: the PrinterSetup class (page setup, resolutions, the setup
// string) and the print jobs that OpenPrinter and OpenPrinterDialog start.
// A job is a Graphics over a printer page: NextPage ends the page and starts
// the next, and the job ends (its file written and spooled) when the last
// reference to the Graphics goes.
//
// PrinterSetup's sizes are pixels at its resolution: PageWidth and
// PageHeight the oriented paper, Width and Height the printable area inside
// the margins, Left and Top where that area lies on the paper, PageLeft and
// PageTop where the paper lies relative to the area (so negative), as a
// printer Graphics draws with (0, 0) at the area's corner.
#include <algorithm>
#include <string>

#include "graphics/classes.h"
#include "graphics/graphics.h"
#include "graphics/graphics_state.h"
#include "graphics/printer_settings.h"
#include "platform/comdlg/commdlg.h"
#include "platform/winspool/winspool.h"
#include "runtime/class_registry.h"
#include "runtime/control_hooks.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess::graphics {
namespace {

namespace pf = platform;

ClassObject* g_setup = nullptr;
// LastPage of a job printing every page.
constexpr int32_t kLastPrintablePage = 9999;

struct SetupFields {
  ObjectHeader header;
  PrintSettings* settings;
};

enum Info : uint32_t {
  kPageLeft,
  kPageTop,
  kPageWidth,
  kPageHeight,
  kLeft,
  kTop,
  kWidth,
  kHeight,
  kHorizontalRes,
  kVerticalRes,
  kMaxHorizontalRes,
  kMaxVerticalRes,
  kLandscape,
};

PrintSettings& SettingsOf(TessObject* setup) {
  if (!setup || !g_setup || !IsA(setup, g_setup)) Raise(RuntimeError::kNilObject);
  return *reinterpret_cast<SetupFields*>(setup)->settings;
}

void ConstructSetup(TessObject* object, ClassObject*) {
  reinterpret_cast<SetupFields*>(object)->settings = new PrintSettings;
}

void DestructSetup(TessObject* object, ClassObject*) {
  auto* f = reinterpret_cast<SetupFields*>(object);
  delete f->settings;
  f->settings = nullptr;
}

pf::HWND OwnerWindow(TessObject* window) {
  auto handle = CurrentControlHooks().nativeHandle;
  if (window && handle) return reinterpret_cast<pf::HWND>(uintptr_t(handle(window)));
  return pf::GetActiveWindow();
}

// The job behind a printer Graphics.
struct PrintJob {
  pf::HDC dc = nullptr;
};

void NextPage(GraphicsState& s) {
  auto* job = static_cast<PrintJob*>(s.job);
  if (!job) return;
  pf::EndPage(job->dc);
  pf::StartPage(job->dc);
}

void EndJob(GraphicsState& s) {
  auto* job = static_cast<PrintJob*>(s.job);
  s.job = nullptr;
  if (!job) return;
  pf::EndDoc(job->dc);
  pf::DeleteDC(job->dc);
  delete job;
}

// Starts a job with `settings` and hands its Graphics (one reference), or
// nil when the printer cannot take it.
TessObject* OpenJob(const PrintSettings& settings) {
  const pf::DEVMODE& mode = settings.mode;
  pf::HDC dc = pf::CreateDC("WINSPOOL", mode.dmDeviceName, nullptr, &mode);
  if (!dc) return nullptr;
  pf::DOCINFO info;
  info.lpszDocName = "Document";
  if (pf::StartDoc(dc, &info) <= 0 || pf::StartPage(dc) <= 0) {
    pf::AbortDoc(dc);
    pf::DeleteDC(dc);
    return nullptr;
  }
  GraphicsTarget target;
  target.dc = dc;
  target.width = pf::GetDeviceCaps(dc, pf::HORZRES);
  target.height = pf::GetDeviceCaps(dc, pf::VERTRES);
  target.background = 0xFFFFFF;
  TessObject* g = NewGraphics(target);
  GraphicsState* s = GraphicsStateOf(g);
  s->copies = mode.dmCopies;
  s->firstPage = mode.dmFromPage > 0 ? mode.dmFromPage : 1;
  s->lastPage = mode.dmToPage > 0 ? mode.dmToPage : kLastPrintablePage;
  s->job = new PrintJob{dc};
  s->nextPage = &NextPage;
  s->endJob = &EndJob;
  return g;
}

int32_t Info(const PrintSettings& settings, uint32_t which) {
  pf::PageMetrics m;
  if (!pf::GetPageMetrics(settings.mode, &m)) return 0;
  const pf::RECT& a = m.printable;
  switch (which) {
    case kPageLeft:
      return -a.left;
    case kPageTop:
      return -a.top;
    case kPageWidth:
      return m.paperWidth;
    case kPageHeight:
      return m.paperHeight;
    case kLeft:
      return a.left;
    case kTop:
      return a.top;
    case kWidth:
      return a.right - a.left;
    case kHeight:
      return a.bottom - a.top;
    case kHorizontalRes:
      return settings.mode.dmPrintQuality;
    case kVerticalRes:
      return settings.mode.dmYResolution;
    case kMaxHorizontalRes:
      return settings.maxXRes;
    case kMaxVerticalRes:
      return settings.maxYRes;
    case kLandscape:
      return settings.mode.dmOrientation == pf::DMORIENT_LANDSCAPE;
    default:
      return 0;
  }
}

#define SETUP_INFO(Name, Type, which, setter) \
  { 0, Name, &Type, (void*)&printerSetupInfoGetter, setter, which }
const PropertyRecord kSetupProperties[] = {
    SETUP_INFO("PageLeft", kIntegerType, kPageLeft, nullptr),
    SETUP_INFO("PageTop", kIntegerType, kPageTop, nullptr),
    SETUP_INFO("PageWidth", kIntegerType, kPageWidth, nullptr),
    SETUP_INFO("PageHeight", kIntegerType, kPageHeight, nullptr),
    SETUP_INFO("Left", kIntegerType, kLeft, nullptr),
    SETUP_INFO("Top", kIntegerType, kTop, nullptr),
    SETUP_INFO("Width", kIntegerType, kWidth, nullptr),
    SETUP_INFO("Height", kIntegerType, kHeight, nullptr),
    SETUP_INFO("HorizontalResolution", kIntegerType, kHorizontalRes, (void*)&printerSetupResSetter),
    SETUP_INFO("VerticalResolution", kIntegerType, kVerticalRes, (void*)&printerSetupResSetter),
    SETUP_INFO("MaxHorizontalResolution", kIntegerType, kMaxHorizontalRes,
               (void*)&printerSetupMaxResSetter),
    SETUP_INFO("MaxVerticalResolution", kIntegerType, kMaxVerticalRes,
               (void*)&printerSetupMaxResSetter),
    SETUP_INFO("Landscape", kBooleanType, kLandscape, nullptr),
    {0, "SetupString", &kStringType, (void*)&printerSetupStringGetter,
     (void*)&printerSetupStringSetter, 0},
};
#undef SETUP_INFO

const MethodRecord kSetupMethods[] = {
    Method("PageSetupDialog", &kBooleanType, nullptr, 0, (void*)&printerSetupPageSetup),
};

}  // namespace

void InitPrinting() {
  if (!g_setup)
    g_setup = BuildClass("PrinterSetup", RootClass(), int32_t(sizeof(SetupFields)), &ConstructSetup,
                         &DestructSetup, kSetupProperties, kSetupMethods);
}

}  // namespace tess::graphics

using namespace tess;
using namespace tess::graphics;
namespace pf = tess::platform;

extern "C" {

TessObject* RuntimeOpenPrinter(TessObject* setup) {
  return AtEntry([&]() -> TessObject* {
    PrintSettings settings = setup ? SettingsOf(setup) : PrintSettings{};
    return OpenJob(settings);
  });
}

TessObject* RuntimeOpenPrinterDialog(TessObject* setup, TessObject* window) {
  return AtEntry([&]() -> TessObject* {
    PrintSettings settings = setup ? SettingsOf(setup) : PrintSettings{};
    pf::PRINTDLGA pd;
    pd.hwndOwner = OwnerWindow(window);
    pd.devMode = &settings.mode;
    pd.nCopies = pf::WORD(settings.mode.dmCopies);
    pd.nMaxPage = pf::WORD(kLastPrintablePage);
    if (settings.mode.dmFromPage > 0) {
      pd.Flags |= pf::PD_PAGENUMS;
      pd.nFromPage = pf::WORD(settings.mode.dmFromPage);
      pd.nToPage = pf::WORD(settings.mode.dmToPage);
    }
    if (settings.mode.dmCollate) pd.Flags |= pf::PD_COLLATE;
    if (!pf::PrintDlg(&pd)) return nullptr;
    // The choices stay with the setup, so its setup string prints the same way.
    if (setup) SettingsOf(setup) = settings;
    return OpenJob(settings);
  });
}

int32_t printerSetupPageSetup(TessObject* setup) {
  return AtEntry([&]() -> int32_t {
    PrintSettings& settings = SettingsOf(setup);
    pf::DEVMODE mode = settings.mode;
    pf::PAGESETUPDLGA psd;
    psd.hwndOwner = OwnerWindow(nullptr);
    psd.devMode = &mode;
    if (!pf::PageSetupDlg(&psd)) return 0;
    settings.mode = mode;
    return 1;
  });
}

int32_t printerSetupInfoGetter(TessObject* setup, uint32_t parameter) {
  return AtEntry([&] { return Info(SettingsOf(setup), parameter); });
}

void printerSetupResSetter(TessObject* setup, uint32_t parameter, int32_t value) {
  AtEntry([&] {
    PrintSettings& s = SettingsOf(setup);
    short dpi = short(std::clamp(value, 1, pf::kPrinterMaxResolution));
    (parameter == kVerticalRes ? s.mode.dmYResolution : s.mode.dmPrintQuality) = dpi;
  });
}

void printerSetupMaxResSetter(TessObject* setup, uint32_t parameter, int32_t value) {
  // -1 (or anything beyond the printer) asks for the printer's best; the job
  // then prints at the highest resolution allowed.
  AtEntry([&] {
    PrintSettings& s = SettingsOf(setup);
    int dpi = value < 0 || value > pf::kPrinterMaxResolution ? pf::kPrinterMaxResolution
                                                             : std::max(1, value);
    if (parameter == kMaxVerticalRes) {
      s.maxYRes = dpi;
      s.mode.dmYResolution = short(dpi);
    } else {
      s.maxXRes = dpi;
      s.mode.dmPrintQuality = short(dpi);
    }
  });
}

TessString* printerSetupStringGetter(TessObject* setup, uint32_t) {
  return AtEntry([&] { return MakeString(FormatSetupString(SettingsOf(setup))); });
}

void printerSetupStringSetter(TessObject* setup, uint32_t, TessString* value) {
  AtEntry([&] {
    PrintSettings& s = SettingsOf(setup);
    std::string error;
    // An empty string is a fresh setup; anything else must be a whole one.
    if (Length(value) == 0) {
      s = PrintSettings{};
      return;
    }
    if (!ParseSetupString(View(value), &s, &error)) {
      std::string message = "SetupString: " + error;
      ThrowNew(FindClassByName("UnsupportedFormatException"), message.c_str());
    }
  });
}

}  // extern "C"
