// StyledTextPrinter: draws an EditField's styled text block by block into a
// Graphics (a picture's, a window's or a printer page's) through the host
// rich-edit control's EM_FORMATRANGE. The field's own control lays the
// text out when it exists; a field without one (its window closed, or never
// shown) is copied at creation into a hidden control the printer owns.
// Each block takes the lines that fit its height (at least one, so a loop
// until EOF always ends) and the next block continues after them.
#include <climits>
#include <cstddef>

#include "graphics/graphics.h"
#include "platform/gdi/wingdi.h"
#include "platform/richedit/richedit.h"
#include "platform/user/winuser.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/edit_field.h"
#include "ui/styled_text_printer.h"

namespace tess::ui {
namespace {

using namespace platform;
using namespace platform::richedit;

constexpr int kTwipsPerPixel = 15;

struct PrinterFields {
  ObjectHeader header;
  TessObject* field;     // counted
  TessObject* graphics;  // counted
  int32_t width;
  int32_t position;  // the first character not yet drawn
  HWND scratch;      // owned hidden control, or null
  int32_t eof;
};

ClassObject* g_printerClass = nullptr;

PrinterFields* P(TessObject* printer) {
  if (!printer) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<PrinterFields*>(printer);
}

HWND ControlOf(PrinterFields* p) {
  if (p->scratch) return p->scratch;
  EditFieldFields* f = EditFieldOf(p->field);
  HWND control = f && f->edit ? f->edit->control : nullptr;
  return control && IsWindow(control) ? control : nullptr;
}

// A position past every character answers the text's length.
LONG TextLength(HWND control) {
  FORMATRANGE fr{};
  fr.chrg = CHARRANGE{LONG_MAX, -1};
  return LONG(SendMessage(control, EM_FORMATRANGE, 0, LPARAM(&fr)));
}

void Destruct(TessObject* object, ClassObject*) {
  auto* p = reinterpret_cast<PrinterFields*>(object);
  if (p->scratch) DestroyWindow(p->scratch);
  p->scratch = nullptr;
  UnlockObject(p->field);
  UnlockObject(p->graphics);
  p->field = p->graphics = nullptr;
}

const TypeDescriptor kBooleanT{0, "Boolean", {}};
const TypeDescriptor kIntegerT{0, "Integer", {}};
const PropertyRecord kProperties[] = {
    {0, "EOF", &kBooleanT, (void*)&styledPrinterEOF, nullptr, 0},
    {0, "Width", &kIntegerT, (void*)&intGetter, (void*)&styledPrinterWidthSetter,
     offsetof(PrinterFields, width)},
};
const ParameterRecord kBlock[] = {
    {"x", &kIntegerT, {}}, {"y", &kIntegerT, {}}, {"height", &kIntegerT, {}}};
const MethodRecord kMethods[] = {
    {"DrawBlock", nullptr, kBlock, 3, {(void*)&styledPrinterDrawBlock}, {}},
};

}  // namespace

void InitStyledTextPrinter() {
  if (g_printerClass) return;
  FrameworkClassDef def{};
  def.name = "StyledTextPrinter";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(PrinterFields));
  def.destruct = Destruct;
  def.properties = kProperties;
  def.methods = kMethods;
  g_printerClass = BuildFrameworkClass(def);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

TessObject* editStyleTextPrinter(TessObject* field, TessObject* g, int32_t width) {
  return AtEntry([&]() -> TessObject* {
    EditFieldFields* f = EditFieldOf(field);
    if (!f || !g) Raise(RuntimeError::kNilObject);
    TessObject* printer = CreateObject(g_printerClass);
    PrinterFields* p = reinterpret_cast<PrinterFields*>(printer);
    LockObject(field);
    LockObject(g);
    p->field = field;
    p->graphics = g;
    p->width = width;
    if (!ControlOf(p)) {
      LoadRichEditLibrary();
      p->scratch = CreateWindowEx(0, kRichEditClass, "", ES_MULTILINE, 0, 0, 0, 0, nullptr, nullptr,
                                  nullptr, nullptr);
      std::string text(View(f->text));
      if (p->scratch) SendMessage(p->scratch, WM_SETTEXT, 0, LPARAM(text.c_str()));
    }
    HWND control = ControlOf(p);
    p->eof = !control || TextLength(control) == 0;
    return printer;
  });
}

void styledPrinterDrawBlock(TessObject* printer, int32_t x, int32_t y, int32_t height) {
  AtEntry([&] {
    PrinterFields* p = P(printer);
    HWND control = ControlOf(p);
    graphics::GraphicsContext gc;
    // A field whose control went with its window has nothing more to give:
    // EOF, so a loop drawing until the end stops.
    if (!control) p->eof = 1;
    if (p->eof || height <= 0 || !graphics::GraphicsContextOf(p->graphics, &gc)) return;
    int saved = SaveDC(gc.dc);
    IntersectClipRect(gc.dc, gc.origin.x, gc.origin.y, gc.origin.x + gc.width,
                      gc.origin.y + gc.height);
    FORMATRANGE fr{};
    fr.hdc = fr.hdcTarget = gc.dc;
    int left = gc.origin.x + x, top = gc.origin.y + y;
    fr.rc = RECT{left * kTwipsPerPixel, top * kTwipsPerPixel,
                 (left + std::max(1, p->width)) * kTwipsPerPixel, (top + height) * kTwipsPerPixel};
    fr.rcPage = fr.rc;
    fr.chrg = CHARRANGE{p->position, -1};
    p->position = int32_t(SendMessage(control, EM_FORMATRANGE, 1, LPARAM(&fr)));
    RestoreDC(gc.dc, saved);
    p->eof = p->position >= TextLength(control);
  });
}

int32_t styledPrinterEOF(TessObject* printer, uint32_t) {
  return AtEntry([&] { return P(printer)->eof ? int32_t(1) : int32_t(0); });
}

void styledPrinterWidthSetter(TessObject* printer, uint32_t, int32_t width) {
  AtEntry([&] { P(printer)->width = width; });
}

}  // extern "C"
