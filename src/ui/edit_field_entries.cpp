// The EditField's entry points: each stores into the instance and, when
// the field's control exists, forwards to it; getters of what the control
// owns (text, selection, styles of the selection, scrolling) ask it.
//
// Password: the control masks what it shows (every character from 32 up
// drawn as "*", line ends kept) and keeps the real text, so Text always
// reads unmasked and masking twice changes nothing.
//
// Without a control: SelText, the selection styles and the position
// queries answer from the stored text and default style only.
#include <algorithm>
#include <cstring>

#include "files/folder_item.h"
#include "platform/richedit/richedit.h"
#include "platform/richedit/rtf.h"
#include "platform/user/message_box.h"
#include "runtime/objects.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "ui/edit_field.h"
#include "ui/edit_field_native.h"
#include "ui/styled_text.h"
#include "ui/window_object.h"

namespace tess::ui {

using namespace platform;
using namespace platform::richedit;

namespace {

constexpr int32_t kDefaultPoints = 9;

HWND Native(EditFieldFields* f) {
  return f && f->edit ? f->edit->control : nullptr;
}

int32_t Bool(bool value) {
  return value ? 1 : 0;
}

std::string FaceOf(const EditFieldFields* f) {
  std::string face(View(f->textFont));
  if (face.empty() || face == "System" || face == "SmallSystem") return "MS Sans Serif";
  return NativeFontName(face);
}

CHARFORMAT FieldFormat(const EditFieldFields* f) {
  CHARFORMAT cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR | CFM_FACE | CFM_SIZE;
  cf.dwEffects = (f->bold ? DWORD(CFE_BOLD) : 0u) | (f->italic ? DWORD(CFE_ITALIC) : 0u) |
                 (f->underline ? DWORD(CFE_UNDERLINE) : 0u);
  cf.yHeight = (f->textSize > 0 ? f->textSize : kDefaultPoints) * 20;
  cf.crTextColor = COLORREF(f->textColor);
  std::string face = FaceOf(f);
  std::strncpy(cf.szFaceName, face.c_str(), sizeof cf.szFaceName - 1);
  return cf;
}

// The whole field takes the members of `mask` of its stored style.
void ApplyFieldFormat(EditFieldFields* f, DWORD mask) {
  HWND c = Native(f);
  if (!c) return;
  CHARFORMAT cf = FieldFormat(f);
  cf.dwMask = mask;
  SendMessage(c, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
}

void ApplyBold(EditFieldFields* f) {
  ApplyFieldFormat(f, CFM_BOLD);
}
void ApplyItalic(EditFieldFields* f) {
  ApplyFieldFormat(f, CFM_ITALIC);
}
void ApplyUnderline(EditFieldFields* f) {
  ApplyFieldFormat(f, CFM_UNDERLINE);
}

// MultiLine, ReadOnly and the scroll bars change the control's style.
void Restyle(EditFieldFields* f) {
  if (HWND c = Native(f)) {
    SetWindowLong(c, GWL_STYLE, LONG(NativeStyle(f)));
    SendMessage(c, EM_SETREADONLY, f->readOnly, 0);
    InvalidateRect(c, nullptr, TRUE);
  }
}

void ApplyBorder(EditFieldFields* f) {
  if (HWND c = Native(f)) {
    LONG ex = GetWindowLong(c, GWL_EXSTYLE);
    SetWindowLong(c, GWL_EXSTYLE,
                  f->border ? ex | LONG(WS_EX_CLIENTEDGE) : ex & ~LONG(WS_EX_CLIENTEDGE));
    SetWindowPos(c, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

CHARRANGE Selection(HWND c) {
  CHARRANGE r{};
  SendMessage(c, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
  return r;
}

WORD Pfa(int32_t alignment) {
  return alignment == 2 ? WORD(PFA_CENTER) : alignment == 3 ? WORD(PFA_RIGHT) : WORD(PFA_LEFT);
}

// Alignment of the whole field, the selection kept and no events.
void ApplyAlignment(EditFieldFields* f) {
  HWND c = Native(f);
  if (!c) return;
  ++f->edit->quiet;
  CHARRANGE keep = Selection(c);
  CHARRANGE all{0, -1};
  SendMessage(c, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  PARAFORMAT pf{};
  pf.cbSize = sizeof pf;
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = Pfa(f->alignment);
  SendMessage(c, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
  SendMessage(c, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
  --f->edit->quiet;
}

// A field that is not styled has one style: selection styles set it all.
void SetSelectionFormat(EditFieldFields* f, CHARFORMAT cf) {
  HWND c = Native(f);
  if (!c) return;
  cf.cbSize = sizeof cf;
  SendMessage(c, EM_SETCHARFORMAT, f->styled ? SCF_SELECTION : SCF_ALL,
              reinterpret_cast<LPARAM>(&cf));
}

void SetStyleBit(EditFieldFields* f, DWORD mask, DWORD effects) {
  CHARFORMAT cf{};
  cf.dwMask = mask;
  cf.dwEffects = effects;
  SetSelectionFormat(f, cf);
}

CHARFORMAT SelectionFormat(EditFieldFields* f) {
  CHARFORMAT cf = FieldFormat(f);
  if (HWND c = Native(f))
    SendMessage(c, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  return cf;
}

void SetStyle(TessObject* field, DWORD mask, bool on) {
  EditFieldFields* f = EditFieldOf(field);
  if (f) SetStyleBit(f, mask, on ? mask : 0);
}

int32_t HasStyle(TessObject* field, DWORD bit) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? Bool(SelectionFormat(f).dwEffects & bit) : 0;
}

void SetStyleDisplayed(TessObject* field, DWORD bit) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  SetStyleBit(f, bit, (SelectionFormat(f).dwEffects & bit) ? 0 : bit);
}

// The four classic styles this platform cannot show.
void Unsupported(TessObject* field, const char* style) {
  HWND owner = nullptr;
  if (EditFieldFields* f = EditFieldOf(field))
    if (WindowObject* w = WindowOfInstance(f->rect.control.window)) owner = w->hwnd;
  MessageBox(owner, std::string("Windows does not support the '") + style + "' text font style.",
             "", MB_OK | MB_ICONEXCLAMATION);
}

TessString* TextString(std::string_view bytes) {
  bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return uint8_t(c) < 0x80; });
  return MakeString(bytes, ascii ? kEncodingNone : kEncodingUtf8);
}

void StoreString(TessString*& field, TessString* value) {
  RuntimeLockUnlockStrings(value, field);
  field = value;
}

// The control's client point for a point in the field's coordinates.
POINT ControlPoint(EditFieldFields* f, int32_t x, int32_t y) {
  POINT p{x, y};
  MapWindowPoints(f->edit->container, f->edit->control, &p, 1);
  return p;
}

DWORD StreamToString(uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb) {
  reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer), size_t(cb));
  *pcb = cb;
  return 0;
}

struct Source {
  std::string_view data;
  size_t read = 0;
};

DWORD StreamFromString(uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb) {
  auto* s = reinterpret_cast<Source*>(cookie);
  size_t n = std::min(size_t(cb), s->data.size() - s->read);
  std::memcpy(buffer, s->data.data() + s->read, n);
  s->read += n;
  *pcb = LONG(n);
  return 0;
}

std::string StreamOut(HWND c, WPARAM format) {
  std::string out;
  EDITSTREAM es{reinterpret_cast<uintptr_t>(&out), 0, &StreamToString};
  SendMessage(c, EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&es));
  return out;
}

bool StreamIn(HWND c, WPARAM format, std::string_view data) {
  Source source{data};
  EDITSTREAM es{reinterpret_cast<uintptr_t>(&source), 0, &StreamFromString};
  SendMessage(c, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
  return es.dwError == 0;
}

// White, the default, is the system's window colour: the control then greys
// it while disabled, as the platform's fields look; any other colour stays.
void ApplyBackground(HWND c, uint32_t color) {
  SendMessage(c, EM_SETBKGNDCOLOR, color == 0xFFFFFF ? 1 : 0, LPARAM(color));
}

}  // namespace

DWORD NativeStyle(const EditFieldFields* f) {
  DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  if (f->multiLine) {
    style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (f->scrollBarVertical) style |= WS_VSCROLL;
    if (f->scrollBarHorizontal) style |= DWORD(WS_HSCROLL) | ES_AUTOHSCROLL;
  } else {
    style |= ES_AUTOHSCROLL;
  }
  if (f->readOnly) style |= ES_READONLY;
  return style;
}

TessString* NativeText(HWND control) {
  int n = GetWindowTextLength(control);
  std::string bytes(size_t(n) + 1, '\0');
  GetWindowText(control, bytes.data(), n + 1);
  bytes.resize(size_t(n));
  return TextString(bytes);
}

void ApplyStoredState(EditFieldFields* f) {
  HWND c = Native(f);
  if (!c) return;
  ApplyFieldFormat(f, CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_COLOR | CFM_FACE | CFM_SIZE);
  CHARFORMAT cf = FieldFormat(f);
  SendMessage(c, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
  ApplyBackground(c, f->backColor);
  SendMessage(c, EM_EXLIMITTEXT, 0, f->limitText > 0 ? f->limitText : 0x7FFFFFFE);
  if (f->password) SendMessage(c, EM_SETPASSWORDCHAR, '*', 0);
  SetWindowText(c, std::string(View(f->text)).c_str());
  ApplyAlignment(f);
  SendMessage(c, EM_SETSEL, WPARAM(std::max(0, f->selStart)),
              std::max(0, f->selStart) + std::max(0, f->selLength));
}

bool LoadFieldText(TessObject* field, const std::string& bytes) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return false;
  HWND c = Native(f);
  if (!c) {
    StringRef text = StringRef::Adopt(TextString(bytes));
    StoreString(f->text, text.get());
    return true;
  }
  return StreamIn(c, tess::richedit::LooksLikeRtf(bytes.substr(0, 5)) ? SF_RTF : SF_TEXT, bytes);
}

std::string SaveFieldText(TessObject* field) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return {};
  if (HWND c = Native(f)) return StreamOut(c, SF_RTF);
  tess::richedit::TextModel model;
  model.Replace(0, 0, tess::richedit::NormalizeLineEnds(tess::richedit::DecodeText(View(f->text))),
                0);
  return tess::richedit::WriteRtf(model, 0, model.Length());
}

}  // namespace tess::ui

using namespace tess;
using namespace tess::ui;
using namespace tess::platform;
using namespace tess::platform::richedit;

extern "C" {

TessString* editTextGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return nullptr;
  if (HWND c = Native(f)) return NativeText(c);
  return Share(f->text);
}

void editTextSetter(TessObject* field, uint32_t, TessString* text) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  StoreString(f->text, text);
  f->selStart = f->selLength = 0;
  if (HWND c = Native(f)) SetWindowText(c, std::string(View(text)).c_str());
}

void editSetString(TessObject* field, TessString* text) {
  editTextSetter(field, 0, text);
}

// A Boolean property stored in the instance, applied by `apply`.
#define FLAG_PROPERTY(Name, member, apply)                              \
  int32_t edit##Name##Getter(TessObject* field, uint32_t) {             \
    EditFieldFields* f = EditFieldOf(field);                            \
    return f ? Bool(f->member) : 0;                                     \
  }                                                                     \
  void edit##Name##Setter(TessObject* field, uint32_t, int32_t value) { \
    EditFieldFields* f = EditFieldOf(field);                            \
    if (!f) return;                                                     \
    f->member = (value & 0xFF) ? 1 : 0;                                 \
    apply(f);                                                           \
  }
FLAG_PROPERTY(Border, border, ApplyBorder)
FLAG_PROPERTY(MultiLine, multiLine, Restyle)
FLAG_PROPERTY(ReadOnly, readOnly, Restyle)
FLAG_PROPERTY(Bold, bold, ApplyBold)
FLAG_PROPERTY(Italic, italic, ApplyItalic)
FLAG_PROPERTY(Underline, underline, ApplyUnderline)
#undef FLAG_PROPERTY

int32_t editScrollBarGetter(TessObject* field, uint32_t horizontal) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return 0;
  return Bool(horizontal ? f->scrollBarHorizontal : f->scrollBarVertical);
}

void editScrollBarSetter(TessObject* field, uint32_t horizontal, int32_t value) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  (horizontal ? f->scrollBarHorizontal : f->scrollBarVertical) = (value & 0xFF) ? 1 : 0;
  Restyle(f);
}

int32_t editPasswordGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? Bool(f->password) : 0;
}

void editPasswordSetter(TessObject* field, uint32_t, int32_t value) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  uint8_t on = (value & 0xFF) ? 1 : 0;
  if (on == f->password) return;
  f->password = on;
  if (f->edit) {
    f->edit->password = on;
    f->edit->mask = on ? U'*' : 0;
    SendMessage(f->edit->control, EM_SETPASSWORDCHAR, on ? '*' : 0, 0);
  }
}

TessString* editTextFontGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? Share(f->textFont) : nullptr;
}

void editTextFontSetter(TessObject* field, uint32_t, TessString* font) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  StoreString(f->textFont, font);
  ApplyFieldFormat(f, CFM_FACE);
}

int32_t editTextSizeGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? f->textSize : 0;
}

void editTextSizeSetter(TessObject* field, uint32_t, int32_t size) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  f->textSize = std::clamp(size, 0, 1638);
  ApplyFieldFormat(f, CFM_SIZE);
}

void editTextColorSetter(TessObject* field, uint32_t, int32_t color) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  f->textColor = color & 0xFFFFFF;
  ApplyFieldFormat(f, CFM_COLOR);
}

void editBackColorSetter(TessObject* field, uint32_t, int32_t color) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  f->backColor = color & 0xFFFFFF;
  if (HWND c = Native(f)) ApplyBackground(c, f->backColor);
}

int32_t editSelStartGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return 0;
  if (HWND c = Native(f)) return Selection(c).cpMin;
  return f->selStart;
}

void editSelStartSetter(TessObject* field, uint32_t, int32_t start) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  f->selStart = std::max(0, start);
  f->selLength = 0;
  if (HWND c = Native(f)) SendMessage(c, EM_SETSEL, WPARAM(f->selStart), f->selStart);
}

int32_t editSelLengthGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return 0;
  if (HWND c = Native(f)) {
    CHARRANGE r = Selection(c);
    return r.cpMax - r.cpMin;
  }
  return f->selLength;
}

void editSelLengthSetter(TessObject* field, uint32_t, int32_t length) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  f->selLength = std::max(0, length);
  if (HWND c = Native(f)) {
    LONG start = Selection(c).cpMin;
    SendMessage(c, EM_SETSEL, WPARAM(start), start + f->selLength);
  }
}

TessString* editSelTextGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return nullptr;
  HWND c = Native(f);
  if (!c) return nullptr;
  CHARRANGE r = Selection(c);
  std::string buffer(size_t(r.cpMax - r.cpMin) * 4 + 1, '\0');
  LRESULT n = SendMessage(c, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(size_t(n));
  return TextString(buffer);
}

void editSelTextSetter(TessObject* field, uint32_t, TessString* text) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  if (HWND c = Native(f)) {
    SendMessage(c, EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(std::string(View(text)).c_str()));
  } else {
    StringRef joined = StringRef::Adopt(Concatenate(f->text, text));
    StoreString(f->text, joined.get());
  }
}

int32_t editLimitTextGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? f->limitText : 0;
}

void editLimitTextSetter(TessObject* field, uint32_t, int32_t limit) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  f->limitText = std::max(0, limit);
  if (HWND c = Native(f))
    SendMessage(c, EM_EXLIMITTEXT, 0, f->limitText > 0 ? f->limitText : 0x7FFFFFFE);
}

// Bold, italic and underline of the selection (CFM_ and CFE_ bits agree).
#define SEL_STYLE(Name, bit)                                            \
  int32_t editSel##Name##Getter(TessObject* field, uint32_t) {          \
    return HasStyle(field, bit);                                        \
  }                                                                     \
  void editSel##Name##Setter(TessObject* field, uint32_t, int32_t on) { \
    SetStyle(field, bit, on & 0xFF);                                    \
  }                                                                     \
  void editToggleSelection##Name(TessObject* field) {                   \
    SetStyleDisplayed(field, bit);                                      \
  }
SEL_STYLE(Bold, CFM_BOLD)
SEL_STYLE(Italic, CFM_ITALIC)
SEL_STYLE(Underline, CFM_UNDERLINE)
#undef SEL_STYLE

int32_t editSelPlainGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return 0;
  return Bool(!(SelectionFormat(f).dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE)));
}

void editSelPlainSetter(TessObject* field, uint32_t, int32_t on) {
  EditFieldFields* f = EditFieldOf(field);
  if (f && (on & 0xFF)) SetStyleBit(f, CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE, 0);
}

#define UNSUPPORTED(Name, Text)                                      \
  int32_t editSel##Name##Getter(TessObject* field, uint32_t) {       \
    Unsupported(field, Text);                                        \
    return 0;                                                        \
  }                                                                  \
  void editSel##Name##Setter(TessObject* field, uint32_t, int32_t) { \
    Unsupported(field, Text);                                        \
  }                                                                  \
  void editToggleSelection##Name(TessObject* field) {                \
    Unsupported(field, Text);                                        \
  }
UNSUPPORTED(Outline, "Outline")
UNSUPPORTED(Shadow, "Shadow")
UNSUPPORTED(Condense, "Condensed")
UNSUPPORTED(Extend, "Extended")
#undef UNSUPPORTED

TessString* editSelTextFontGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return nullptr;
  CHARFORMAT cf = SelectionFormat(f);
  return MakeString(std::string_view(cf.szFaceName, strnlen(cf.szFaceName, sizeof cf.szFaceName)));
}

void editSelTextFontSetter(TessObject* field, uint32_t, TessString* font) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  CHARFORMAT cf{};
  cf.dwMask = CFM_FACE;
  std::string face = NativeFontName(std::string(View(font)));
  std::strncpy(cf.szFaceName, face.c_str(), sizeof cf.szFaceName - 1);
  SetSelectionFormat(f, cf);
}

int32_t editSelTextSizeGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? SelectionFormat(f).yHeight / 20 : 0;
}

void editSelTextSizeSetter(TessObject* field, uint32_t, int32_t size) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  CHARFORMAT cf{};
  cf.dwMask = CFM_SIZE;
  cf.yHeight = std::clamp(size, 1, 1638) * 20;
  SetSelectionFormat(f, cf);
}

int32_t editSelTextColorGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? int32_t(SelectionFormat(f).crTextColor & 0xFFFFFF) : 0;
}

void editSelTextColorSetter(TessObject* field, uint32_t, int32_t color) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  CHARFORMAT cf{};
  cf.dwMask = CFM_COLOR;
  cf.crTextColor = COLORREF(color & 0xFFFFFF);
  SetSelectionFormat(f, cf);
}

TessString* EditDataSourceGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  return f ? Share(f->dataSource) : nullptr;
}

void EditDataSourceSetter(TessObject* field, uint32_t, TessString* source) {
  if (EditFieldFields* f = EditFieldOf(field)) StoreString(f->dataSource, source);
}

void EditDataFieldSetter(TessObject* field, uint32_t, TessString* name) {
  if (EditFieldFields* f = EditFieldOf(field)) StoreString(f->dataField, name);
}

void EditAlignmentSetter(TessObject* field, uint32_t, int32_t alignment) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  f->alignment = alignment;
  ApplyAlignment(f);
}

int32_t EditSelAlignmentGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return 0;
  HWND c = Native(f);
  if (!c) return f->alignment;
  PARAFORMAT pf{};
  pf.cbSize = sizeof pf;
  SendMessage(c, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
  if (!(pf.dwMask & PFM_ALIGNMENT)) return 0;
  return pf.wAlignment == PFA_CENTER ? 2 : pf.wAlignment == PFA_RIGHT ? 3 : 1;
}

void EditSelAlignmentSetter(TessObject* field, uint32_t, int32_t alignment) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f || !Native(f)) return;
  PARAFORMAT pf{};
  pf.cbSize = sizeof pf;
  pf.dwMask = PFM_ALIGNMENT;
  pf.wAlignment = Pfa(alignment);
  SendMessage(Native(f), EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
}

int32_t editScrollPositionGetter(TessObject* field, uint32_t) {
  HWND c = Native(EditFieldOf(field));
  return c ? int32_t(SendMessage(c, EM_GETFIRSTVISIBLELINE, 0, 0)) : 0;
}

void editScrollPositionSetter(TessObject* field, uint32_t, int32_t line) {
  HWND c = Native(EditFieldOf(field));
  if (!c) return;
  LRESULT now = SendMessage(c, EM_GETFIRSTVISIBLELINE, 0, 0);
  SendMessage(c, EM_LINESCROLL, 0, LPARAM(std::max(0, line) - now));
}

int32_t EditScrollPositionXGetter(TessObject* field, uint32_t) {
  HWND c = Native(EditFieldOf(field));
  POINT p{};
  if (c) SendMessage(c, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&p));
  return p.x;
}

void EditScrollPositionXSetter(TessObject* field, uint32_t, int32_t x) {
  HWND c = Native(EditFieldOf(field));
  if (!c) return;
  POINT p{};
  SendMessage(c, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&p));
  p.x = std::max(0, x);
  SendMessage(c, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&p));
}

int32_t editLineNumAtCharPos(TessObject* field, int32_t pos) {
  HWND c = Native(EditFieldOf(field));
  return c ? int32_t(SendMessage(c, EM_EXLINEFROMCHAR, 0, std::max(0, pos))) : 0;
}

int32_t editCharPosAtLineNum(TessObject* field, int32_t line) {
  HWND c = Native(EditFieldOf(field));
  if (!c || line < 0) return 0;
  LRESULT start = SendMessage(c, EM_LINEINDEX, WPARAM(line), 0);
  return start < 0 ? GetWindowTextLength(c) : int32_t(start);
}

int32_t editInsertionPosAtXY(TessObject* field, int32_t x, int32_t y) {
  EditFieldFields* f = EditFieldOf(field);
  HWND c = Native(f);
  if (!c) return 0;
  POINT p = ControlPoint(f, x, y);
  return int32_t(SendMessage(c, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&p)));
}

int32_t editCharPosAtXY(TessObject* field, int32_t x, int32_t y) {
  EditFieldFields* f = EditFieldOf(field);
  HWND c = Native(f);
  if (!c) return 0;
  POINT p = ControlPoint(f, x, y);
  LRESULT pos = SendMessage(c, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&p));
  // The character under the point: the one the nearest boundary follows
  // when the point lies left of that boundary.
  POINT at{};
  SendMessage(c, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), pos);
  if (pos > 0 && at.x > p.x && at.y <= p.y) --pos;
  return int32_t(pos);
}

void editCopyToClipboard(TessObject* field) {
  if (HWND c = Native(EditFieldOf(field))) SendMessage(c, WM_COPY, 0, 0);
}

void editPasteFromClipboard(TessObject* field) {
  if (HWND c = Native(EditFieldOf(field))) SendMessage(c, WM_PASTE, 0, 0);
}

TessString* editTextStyleDataGetter(TessObject* field, uint32_t) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return nullptr;
  tess::richedit::TextModel model;
  std::string error;
  if (HWND c = Native(f))
    tess::richedit::ReadRtf(StreamOut(c, SF_RTF), model, 0, 0, tess::richedit::CharFormat{},
                            nullptr, &error);
  std::string block = EncodeStyledText(model);
  return MakeString(block);
}

void editSetTextAndStyle(TessObject* field, TessString* text, TessString* style) {
  EditFieldFields* f = EditFieldOf(field);
  if (!f) return;
  tess::richedit::TextModel model;
  std::u32string chars = tess::richedit::NormalizeLineEnds(tess::richedit::DecodeText(View(text)));
  model.Replace(0, 0, chars, 0);
  DecodeStyledText(View(style), &model);
  if (HWND c = Native(f)) {
    StreamIn(c, SF_RTF, tess::richedit::WriteRtf(model, 0, model.Length()));
  } else {
    StoreString(f->text, text);
  }
}

void FolderItemOpenStyledEditField(TessObject* item, TessObject* field) {
  if (!item || !IsA(item, FolderItemClass()) || !EditFieldOf(field)) return;
  auto* folder = reinterpret_cast<FolderItemObject*>(item);
  if (!folder->item) return;
  uint32_t error = 0;
  std::unique_ptr<db::ByteStream> stream = folder->item->Open(files::OpenMode::kRead, &error);
  folder->lastError = int32_t(error);
  if (!stream) return;
  std::string bytes;
  char chunk[65536];
  size_t done = 0;
  while (stream->Read(chunk, sizeof chunk, &done) && done) bytes.append(chunk, done);
  stream->Close();
  LoadFieldText(field, bytes);
}

void FolderItemSaveStyledEditField(TessObject* item, TessObject* field) {
  if (!item || !IsA(item, FolderItemClass()) || !EditFieldOf(field)) return;
  auto* folder = reinterpret_cast<FolderItemObject*>(item);
  if (!folder->item) return;
  uint32_t error = 0;
  std::unique_ptr<db::ByteStream> stream = folder->item->Open(files::OpenMode::kCreate, &error);
  if (stream) {
    std::string rtf = SaveFieldText(field);
    if (!stream->Write(rtf.data(), rtf.size()) || !stream->Flush()) error = 112;
    stream->Close();
  }
  folder->lastError = int32_t(error);
}

}  // extern "C"
