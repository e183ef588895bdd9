// TabPanel over "SysTabControl32" and PagePanel, drawn by nobody: both are
// containers whose controls belong to one page each, by TabPanelIndex.
// Only the current page's controls are shown; a control's own Visible is
// kept as the application set it, and a control within a container on
// another page is hidden with it. The tab panel keeps its selection
// 1-based: Value n is stored as n + 1. Change fires whenever the page
// changes, by a click on a tab, a key or code.
//
// TabDefinition holds the captions one a line (CR, LF or CR LF between).
#include <cstddef>
#include <string>
#include <vector>

#include "platform/comctl/commctrl.h"
#include "runtime/class_registry.h"
#include "runtime/events.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/control_list.h"
#include "ui/native_controls.h"
#include "ui/window_class.h"

namespace tess::ui {

void InitPanelClasses();

namespace {

using namespace platform;

struct TabFields {
  RectControlFields rect;
  TessString* tabDefinition;
  int32_t value;  // the selected tab + 1; 0 before there are tabs
  int32_t facing;
  uint8_t smallTabs, bold, italic, underline;
  TessString* textFont;
  int32_t textSize;
  std::vector<std::string>* captions;
};
struct PageFields {
  RectControlFields rect;
  int32_t value;
  int32_t panelCount;
};
#if defined(__i386__)
static_assert(offsetof(TabFields, value) == 84);
static_assert(sizeof(TabFields) == 108);
static_assert(sizeof(PageFields) == 88);
#endif

ClassObject* g_tabPanel = nullptr;
ClassObject* g_pagePanel = nullptr;

const char* const kMouseArgs = "X As Integer, Y As Integer";
EventRecord g_tabEvents[] = {
    {0, "Change", nullptr, nullptr, 1001, nullptr},
    {0, "GotFocus", nullptr, nullptr, 1004, nullptr},
    {0, "LostFocus", nullptr, nullptr, 1005, nullptr},
    {0, "MouseDown", kMouseArgs, "Boolean", 501, nullptr},
    {0, "MouseDrag", kMouseArgs, nullptr, 506, nullptr},
    {0, "MouseUp", kMouseArgs, nullptr, 502, nullptr},
};
EventRecord g_pageEvents[] = {
    {0, "Change", nullptr, nullptr, 1001, nullptr},
};

bool IsTabPanel(TessObject* o) {
  return o && g_tabPanel && IsA(o, g_tabPanel);
}
bool IsPagePanel(TessObject* o) {
  return o && g_pagePanel && IsA(o, g_pagePanel);
}
TabFields* T(TessObject* o) {
  return FieldsOf<TabFields>(o);
}
PageFields* PP(TessObject* o) {
  return FieldsOf<PageFields>(o);
}

// The page a panel shows, or -1 for anything else.
int32_t CurrentPage(TessObject* panel) {
  if (IsTabPanel(panel)) return T(panel)->value - 1;
  if (IsPagePanel(panel)) return PP(panel)->value;
  return -1;
}

}  // namespace

bool OnShownPages(TessObject* control) {
  for (TessObject* c = control; IsRectControl(c);) {
    TessObject* parent = FieldsOf<RectControlFields>(c)->parent;
    if ((IsTabPanel(parent) || IsPagePanel(parent)) &&
        FieldsOf<ControlFields>(c)->tabPanelIndex != CurrentPage(parent))
      return false;
    c = parent;
  }
  return true;
}

namespace {

bool Open(TessObject* o) {
  return FieldsOf<ControlFields>(o)->pane && InOpenWindow(o);
}

void FireChange(TessObject* panel) {
  if (!Open(panel)) return;
  ObjectRef keep = ShareObject(panel);
  FireEvent(panel, (IsTabPanel(panel) ? g_tabEvents : g_pageEvents)[0].descriptor, {});
}

void SetCaptions(TessObject* panel) {
  HWND native = NativeOf(panel);
  if (!native) return;
  SendMessage(native, TCM_DELETEALLITEMS, 0, 0);
  std::vector<std::string>& captions = *T(panel)->captions;
  for (size_t i = 0; i < captions.size(); ++i) {
    TCITEM item{};
    item.mask = TCIF_TEXT;
    item.pszText = captions[i].data();
    SendMessage(native, TCM_INSERTITEM, i, reinterpret_cast<LPARAM>(&item));
  }
  SendMessage(native, TCM_SETCURSEL, WPARAM(T(panel)->value - 1), 0);
}

void ApplyFont(TessObject* panel) {
  TabFields* f = T(panel);
  ApplyControlFont(panel, f->textFont, f->textSize, f->bold, f->italic, f->underline);
}

void ShowPage(TessObject* panel) {
  TessObject* window = FieldsOf<ControlFields>(panel)->window;
  if (WindowObject* w = IsWindow(window) ? FieldsOf<WindowFields>(window)->window : nullptr)
    ApplyPages(w);
}

DWORD TabStyle(TessObject*) {
  return WS_TABSTOP | WS_GROUP;
}
void TabCreated(TessObject* panel, HWND) {
  SetCaptions(panel);
  ApplyFont(panel);
}
void TabCommand(TessObject* panel, UINT code) {
  if (code != TCN_SELCHANGE) return;
  int32_t selected = int32_t(SendMessage(NativeOf(panel), TCM_GETCURSEL, 0, 0));
  if (selected + 1 == T(panel)->value) return;
  T(panel)->value = selected + 1;
  ShowPage(panel);
  FireChange(panel);
}
void TabFocus(TessObject* panel, bool gained) {
  if (Open(panel)) FireEvent(panel, g_tabEvents[gained ? 1 : 2].descriptor, {});
}

const NativeKind kTabKind{"SysTabControl32", &TabStyle, true,    &TabCreated,
                          &TabCommand,       &TabFocus, nullptr, nullptr};

void ConstructTab(TessObject* o, ClassObject*) {
  T(o)->captions = new std::vector<std::string>;
}
void DestructTab(TessObject* o, ClassObject*) {
  TabFields* f = T(o);
  delete f->captions;
  f->captions = nullptr;
  for (TessString** s : {&f->tabDefinition, &f->textFont}) {
    UnlockString(*s);
    *s = nullptr;
  }
}
void ConstructPage(TessObject* o, ClassObject*) {
  PP(o)->panelCount = 1;
}

void TabDefinitionSetter(TessObject* o, uint32_t, TessString* value) {
  if (!IsTabPanel(o)) return;
  LockString(value);
  UnlockString(T(o)->tabDefinition);
  T(o)->tabDefinition = value;
  std::vector<std::string>& captions = *T(o)->captions;
  captions = SplitLines(View(value), size_t(kComboMaxRows));
  int32_t& v = T(o)->value;
  if (captions.empty())
    v = 0;
  else if (v < 1 || v > int32_t(captions.size()))
    v = 1;
  SetCaptions(o);
  ShowPage(o);
}

#define OFFSET(type, field) uint32_t(offsetof(type, field))
const PropertyRecord kTabProperties[] = {
    {0, "TabDefinition", &kStringType, nullptr, (void*)&TabDefinitionSetter, 0},
    {0, "Value", &kIntegerType, (void*)&tabPanelValueGetter, (void*)&tabPanelValueSetter, 0},
    {0, "Facing", &kIntegerType, (void*)&intGetter, (void*)&intSetter, OFFSET(TabFields, facing)},
    {0, "SmallTabs", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter,
     OFFSET(TabFields, smallTabs)},
    {0, "TextFont", &kStringType, (void*)&stringGetter, (void*)&tabPanelTextFontSetter,
     OFFSET(TabFields, textFont)},
    {0, "TextSize", &kIntegerType, (void*)&intGetter, (void*)&tabPanelTextSizeSetter,
     OFFSET(TabFields, textSize)},
    {0, "Bold", &kBooleanType, (void*)&boolGetter, (void*)&tabPanelBoldSetter,
     OFFSET(TabFields, bold)},
    {0, "Italic", &kBooleanType, (void*)&boolGetter, (void*)&tabPanelItalicSetter,
     OFFSET(TabFields, italic)},
    {0, "Underline", &kBooleanType, (void*)&boolGetter, (void*)&tabPanelUnderlineSetter,
     OFFSET(TabFields, underline)},
};
const ParameterRecord kIndexParameter[] = {{"Index", &kIntegerType, {}}};
const MethodRecord kTabMethods[] = {
    {"Caption", &kStringType, kIndexParameter, 1, {(void*)&tabPanelCaptionGetter}, {}},
};
const PropertyRecord kPageProperties[] = {
    {0, "Value", &kIntegerType, (void*)&PagePanelValueGetter, (void*)&PagePanelValueSetter, 0},
    {0, "PanelCount", &kIntegerType, (void*)&intGetter, (void*)&intSetter,
     OFFSET(PageFields, panelCount)},
};
#undef OFFSET

void SetStyleByte(TessObject* o, uint8_t TabFields::*field, int32_t value) {
  if (!IsTabPanel(o)) return;
  T(o)->*field = value ? 1 : 0;
  ApplyFont(o);
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text, size_t most) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size() && out.size() < most) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    out.emplace_back(text.substr(start, end - start));
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return out;
}

void ApplyPages(WindowObject* window) {
  if (!window || window->closing) return;
  ControlList* controls = FieldsOf<WindowFields>(window->instance)->controls;
  for (size_t i = 0; controls && i < controls->size(); ++i) {
    TessObject* c = controls->at(i);
    if (!IsRectControl(c)) continue;
    RectControlFields* r = FieldsOf<RectControlFields>(c);
    Pane* pane = r->control.pane;
    if (!pane) continue;
    bool shown = r->visible && OnShownPages(c);
    if (pane->visible == shown) continue;
    pane->visible = shown;
    if (pane->native) ShowWindow(pane->native, shown ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(window->hwnd, &pane->bounds, 1);
  }
  PanesChanged();
}

void InitPanelClasses() {
  if (g_tabPanel) return;
  FrameworkClassDef tab{};
  tab.name = "TabPanel";
  tab.superclass = RectControlClass();
  tab.instanceSize = int32_t(sizeof(TabFields));
  tab.construct = &ConstructTab;
  tab.destruct = &DestructTab;
  tab.properties = kTabProperties;
  tab.methods = kTabMethods;
  tab.events = g_tabEvents;
  g_tabPanel = BuildFrameworkClass(tab);
  SetNativeKind(g_tabPanel, &kTabKind);
  FrameworkClassDef page{};
  page.name = "PagePanel";
  page.superclass = RectControlClass();
  page.instanceSize = int32_t(sizeof(PageFields));
  page.construct = &ConstructPage;
  page.properties = kPageProperties;
  page.events = g_pageEvents;
  g_pagePanel = BuildFrameworkClass(page);
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;

extern "C" {

int32_t tabPanelValueGetter(TessObject* panel, uint32_t) {
  return IsTabPanel(panel) ? T(panel)->value - 1 : 0;
}

// A tab that the panel does not have is refused once the panel is shown;
// before, the layout's pairs may name it ahead of the captions.
void tabPanelValueSetter(TessObject* panel, uint32_t, int32_t value) {
  AtEntry([panel, value] {
    if (!IsTabPanel(panel)) return;
    TabFields* f = T(panel);
    if (!Open(panel)) {
      f->value = value + 1;
      return;
    }
    if (value < 0 || value >= int32_t(f->captions->size())) Raise(RuntimeError::kOutOfBounds);
    if (f->value == value + 1) return;
    f->value = value + 1;
    if (HWND native = NativeOf(panel)) SendMessage(native, TCM_SETCURSEL, WPARAM(value), 0);
    ShowPage(panel);
    FireChange(panel);
  });
}

TessString* tabPanelCaptionGetter(TessObject* panel, int32_t index) {
  return AtEntry([panel, index]() -> TessString* {
    if (!IsTabPanel(panel)) return nullptr;
    std::vector<std::string>& captions = *T(panel)->captions;
    if (index < 0 || index >= int32_t(captions.size())) Raise(RuntimeError::kOutOfBounds);
    return MakeString(captions[size_t(index)]);
  });
}

void tabPanelCaptionSetter(TessObject* panel, int32_t index, TessString* caption) {
  AtEntry([panel, index, caption] {
    if (!IsTabPanel(panel)) return;
    std::vector<std::string>& captions = *T(panel)->captions;
    if (index < 0 || index >= int32_t(captions.size())) Raise(RuntimeError::kOutOfBounds);
    captions[size_t(index)] = std::string(View(caption));
    if (HWND native = NativeOf(panel)) {
      TCITEM item{};
      item.mask = TCIF_TEXT;
      item.pszText = captions[size_t(index)].data();
      SendMessage(native, TCM_SETITEM, WPARAM(index), reinterpret_cast<LPARAM>(&item));
    }
  });
}

void tabPanelTextFontSetter(TessObject* panel, uint32_t, TessString* font) {
  if (!IsTabPanel(panel)) return;
  LockString(font);
  UnlockString(T(panel)->textFont);
  T(panel)->textFont = font;
  ApplyFont(panel);
}
void tabPanelTextSizeSetter(TessObject* panel, uint32_t, int32_t size) {
  if (!IsTabPanel(panel)) return;
  T(panel)->textSize = size;
  ApplyFont(panel);
}
void tabPanelBoldSetter(TessObject* panel, uint32_t, int32_t value) {
  SetStyleByte(panel, &TabFields::bold, value);
}
void tabPanelItalicSetter(TessObject* panel, uint32_t, int32_t value) {
  SetStyleByte(panel, &TabFields::italic, value);
}
void tabPanelUnderlineSetter(TessObject* panel, uint32_t, int32_t value) {
  SetStyleByte(panel, &TabFields::underline, value);
}

int32_t PagePanelValueGetter(TessObject* panel, uint32_t) {
  return IsPagePanel(panel) ? PP(panel)->value : 0;
}

void PagePanelValueSetter(TessObject* panel, uint32_t, int32_t value) {
  AtEntry([panel, value] {
    if (!IsPagePanel(panel)) return;
    PageFields* f = PP(panel);
    if (!Open(panel)) {
      f->value = value;
      return;
    }
    if (value < 0 || value >= f->panelCount) Raise(RuntimeError::kOutOfBounds);
    if (f->value == value) return;
    f->value = value;
    ShowPage(panel);
    FireChange(panel);
  });
}

}  // extern "C"
