// The print and page-setup dialogs: forms of group boxes, labels, fields,
// list boxes, radio buttons, check boxes and two push buttons, drawn and
// hit-tested here like the file dialogs, so they look the same headless and
// on a display and a script answers them with keys and clicks.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "platform/comdlg/commdlg.h"
#include "platform/comdlg/modal.h"
#include "platform/gdi/wingdi.h"
#include "platform/user/classic_look.h"
#include "platform/user/message_box.h"
#include "platform/user/messages.h"

namespace tess::platform {
namespace {

constexpr char kClassName[] = "#32770 PrintDialog";
constexpr int kWidth = 420, kButtonW = 80, kButtonH = 23;

enum class Kind { kGroup, kLabel, kField, kChoice, kRadio, kCheck, kOk, kCancel };

struct Item {
  Item(Kind k, RECT box, std::string t = {}) : kind(k), r(box), text(std::move(t)) {}
  Kind kind;
  RECT r;
  std::string text;  // caption, label, or a field's value
  std::vector<std::string> options;
  int choice = 0;
  int group = 0;  // radio buttons of one group exclude each other
  bool checked = false;
  const char* accepts = "";  // the characters a field takes
};

struct Form {
  std::string title;
  int height = 0;
  std::vector<Item> items;
  int focus = -1;
  bool replace = false;  // typing replaces the focused field's text
  comdlg::ButtonPress pressed;
  bool done = false, accepted = false;
  // Checks the answer before OK closes the dialog: an error text, or empty.
  std::function<std::string(Form&)> check;
  // Told when a field's text changed.
  std::function<void(Form&, int)> edited;

  int Add(Item item) {
    items.push_back(std::move(item));
    return int(items.size()) - 1;
  }
};

Form* FormOf(HWND hwnd) {
  return reinterpret_cast<Form*>(GetWindowLong(hwnd, 0));
}

bool Focusable(const Item& item) {
  return item.kind != Kind::kGroup && item.kind != Kind::kLabel;
}

void Cancel(Form& f) {
  if (f.done) return;
  f.accepted = false;
  f.done = true;
}

void Accept(HWND hwnd, Form& f) {
  if (f.done) return;
  std::string error = f.check ? f.check(f) : std::string();
  if (!error.empty()) {
    MessageBox(hwnd, error, f.title, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  f.accepted = true;
  f.done = true;
}

void SetRadio(Form& f, int index) {
  for (Item& item : f.items)
    if (item.kind == Kind::kRadio && item.group == f.items[size_t(index)].group)
      item.checked = false;
  f.items[size_t(index)].checked = true;
}

void Activate(HWND hwnd, Form& f, int index) {
  Item& item = f.items[size_t(index)];
  switch (item.kind) {
    case Kind::kChoice:
      item.choice = (item.choice + 1) % int(std::max<size_t>(1, item.options.size()));
      break;
    case Kind::kRadio:
      SetRadio(f, index);
      break;
    case Kind::kCheck:
      item.checked = !item.checked;
      break;
    case Kind::kOk:
      Accept(hwnd, f);
      break;
    case Kind::kCancel:
      Cancel(f);
      break;
    default:
      break;
  }
}

void MoveFocus(Form& f, bool back) {
  int n = int(f.items.size());
  for (int step = 1; step <= n; ++step) {
    int i = ((f.focus < 0 ? (back ? 0 : -1) : f.focus) + (back ? -step : step) % n + n) % n;
    if (Focusable(f.items[size_t(i)])) {
      f.focus = i;
      f.replace = true;
      return;
    }
  }
}

void KeyDown(HWND hwnd, Form& f, WPARAM key) {
  Item* item = f.focus >= 0 ? &f.items[size_t(f.focus)] : nullptr;
  switch (key) {
    case VK_TAB:
      MoveFocus(f, GetKeyState(VK_SHIFT) < 0);
      return;
    case VK_ESCAPE:
      Cancel(f);
      return;
    case VK_RETURN:
      if (item && item->kind == Kind::kCancel)
        Cancel(f);
      else
        Accept(hwnd, f);
      return;
    case VK_SPACE:
      if (item && item->kind != Kind::kField && item->kind != Kind::kChoice)
        Activate(hwnd, f, f.focus);
      return;
    case VK_UP:
    case VK_DOWN:
      if (item && item->kind == Kind::kChoice && !item->options.empty()) {
        int n = int(item->options.size());
        item->choice = std::clamp(item->choice + (key == VK_UP ? -1 : 1), 0, n - 1);
      }
      return;
    default:
      return;
  }
}

void Char(Form& f, WPARAM ch) {
  if (f.focus < 0) return;
  Item& item = f.items[size_t(f.focus)];
  if (item.kind != Kind::kField) return;
  if (ch == '\b') {
    if (f.replace)
      item.text.clear();
    else if (!item.text.empty())
      item.text.pop_back();
  } else if (ch < 128 && std::strchr(item.accepts, int(ch)) && ch != 0) {
    if (f.replace) item.text.clear();
    if (item.text.size() < 12) item.text += char(ch);
  } else {
    return;
  }
  f.replace = false;
  if (f.edited) f.edited(f, f.focus);
}

// ---- Painting

void Text(HDC dc, RECT r, const std::string& text, UINT format = DT_LEFT) {
  DrawText(dc, text.data(), int(text.size()), &r,
           format | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void PaintItem(HDC dc, const Form& f, int index) {
  const Item& item = f.items[size_t(index)];
  RECT r = item.r;
  bool focused = f.focus == index;
  switch (item.kind) {
    case Kind::kGroup: {
      RECT frame{r.left, r.top + 7, r.right, r.bottom};
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      SIZE size{};
      GetTextExtentPoint32(dc, item.text.data(), int(item.text.size()), &size);
      RECT caption{r.left + 8, r.top, r.left + 12 + size.cx, r.top + 14};
      FillRect(dc, &caption, GetSysColorBrush(COLOR_BTNFACE));
      caption.left += 2;
      Text(dc, caption, item.text);
      break;
    }
    case Kind::kLabel:
      Text(dc, r, item.text);
      break;
    case Kind::kField:
    case Kind::kChoice: {
      RECT box = r;
      DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
      FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
      RECT text{box.left + 2, box.top, box.right - 2, box.bottom};
      std::string shown = item.kind == Kind::kField ? item.text
                          : item.options.empty()    ? std::string()
                                                    : item.options[size_t(item.choice)];
      if (item.kind == Kind::kChoice) {
        RECT arrow{box.right - 16, box.top, box.right, box.bottom};
        DrawFrameControl(dc, &arrow, DFC_SCROLL, DFCS_SCROLLDOWN);
        text.right = arrow.left - 1;
      }
      if (focused && (item.kind == Kind::kChoice || f.replace) && !shown.empty()) {
        SIZE size{};
        GetTextExtentPoint32(dc, shown.data(), int(shown.size()), &size);
        RECT hi{text.left, text.top + 1, std::min<LONG>(text.right, text.left + size.cx + 2),
                text.bottom - 1};
        if (item.kind == Kind::kChoice) hi.right = text.right;
        FillRect(dc, &hi, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      }
      RECT inner = text;
      inner.left += 1;
      Text(dc, inner, shown);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      if (focused && item.kind == Kind::kField && !f.replace) {
        SIZE size{};
        GetTextExtentPoint32(dc, shown.data(), int(shown.size()), &size);
        RECT caret{inner.left + size.cx, text.top + 3, inner.left + size.cx + 1, text.bottom - 3};
        FillRect(dc, &caret, GetStockObject(BLACK_BRUSH));
      }
      break;
    }
    case Kind::kRadio:
    case Kind::kCheck: {
      RECT mark{r.left, r.top + (r.bottom - r.top - 13) / 2, r.left + 13, 0};
      mark.bottom = mark.top + 13;
      DrawFrameControl(dc, &mark, DFC_BUTTON,
                       (item.kind == Kind::kRadio ? UINT(DFCS_BUTTONRADIO) : 0u) |
                           (item.checked ? UINT(DFCS_CHECKED) : 0u));
      RECT label{r.left + 17, r.top, r.right, r.bottom};
      SIZE size{};
      GetTextExtentPoint32(dc, item.text.data(), int(item.text.size()), &size);
      Text(dc, label, item.text);
      if (focused) {
        RECT ring{label.left - 1, label.top + 1, label.left + size.cx + 2, label.bottom - 1};
        DrawFocusRect(dc, &ring);
      }
      break;
    }
    case Kind::kOk:
    case Kind::kCancel: {
      bool cancelFocused = f.focus >= 0 && f.items[size_t(f.focus)].kind == Kind::kCancel;
      bool isDefault = item.kind == Kind::kOk ? !cancelFocused : focused;
      DrawDialogButton(dc, r, item.text, isDefault, f.pressed.Down(index), focused);
      break;
    }
  }
}

void Paint(HWND hwnd, Form& f) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  for (int i = 0; i < int(f.items.size()); ++i) PaintItem(dc, f, i);
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

int ItemAt(const Form& f, POINT p) {
  for (int i = int(f.items.size()) - 1; i >= 0; --i)
    if (Focusable(f.items[size_t(i)]) && PtInRect(&f.items[size_t(i)].r, p)) return i;
  return -1;
}

LRESULT FormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Form* f = FormOf(hwnd);
  if (!f) return DefWindowProc(hwnd, msg, wParam, lParam);
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (msg) {
    case WM_PAINT:
      Paint(hwnd, *f);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int at = ItemAt(*f, p);
      if (at < 0) return 0;
      f->focus = at;
      f->replace = true;
      Kind kind = f->items[size_t(at)].kind;
      if (kind == Kind::kOk || kind == Kind::kCancel) {
        f->pressed.Press(hwnd, at);
      } else if (kind != Kind::kField) {
        Activate(hwnd, *f, at);
      }
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    }
    case WM_MOUSEMOVE:
      f->pressed.Move(hwnd, ItemAt(*f, p));
      return 0;
    case WM_LBUTTONUP:
      if (int at = f->pressed.Release(hwnd, ItemAt(*f, p)); at >= 0) Activate(hwnd, *f, at);
      return 0;
    case WM_KEYDOWN:
      KeyDown(hwnd, *f, wParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CHAR:
      Char(*f, wParam);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_CLOSE:
      Cancel(*f);
      return 0;
    default:
      return DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

// Adds OK and Cancel at the bottom right and shows the form until answered.
bool RunForm(Form& f, HWND owner, int x, int y, LPOFNHOOKPROC hook, LPARAM hookParam) {
  int top = f.height + 8;
  f.Add(Item{Kind::kOk,
             RECT{kWidth - 2 * kButtonW - 18, top, kWidth - kButtonW - 18, top + kButtonH}, "OK"});
  f.Add(Item{Kind::kCancel, RECT{kWidth - kButtonW - 10, top, kWidth - 10, top + kButtonH},
             "Cancel"});
  if (f.focus < 0) MoveFocus(f, false);
  comdlg::ModalRequest modal;
  modal.className = kClassName;
  modal.proc = FormProc;
  modal.title = f.title;
  modal.width = kWidth;
  modal.height = top + kButtonH + 10;
  modal.owner = owner;
  modal.x = x;
  modal.y = y;
  modal.hook = hook;
  modal.hookParam = hookParam;
  modal.data = &f;
  modal.done = [&f] { return f.done; };
  modal.cancel = [&f] { Cancel(f); };
  if (!comdlg::RunModal(modal)) comdlg::SetExtendedError(CDERR_INITIALIZATION);
  return f.accepted;
}

constexpr char kDigits[] = "0123456789";
constexpr char kDecimal[] = "0123456789.";

Item Label(int x, int y, int w, const char* text) {
  return Item{Kind::kLabel, RECT{x, y, x + w, y + 21}, text};
}

Item Field(int x, int y, int w, std::string text, const char* accepts) {
  Item item{Kind::kField, RECT{x, y, x + w, y + 21}, std::move(text)};
  item.accepts = accepts;
  return item;
}

Item Radio(int x, int y, int w, const char* text, int group, bool checked) {
  Item item{Kind::kRadio, RECT{x, y, x + w, y + 20}, text};
  item.group = group;
  item.checked = checked;
  return item;
}

// A field's number; false when it is not one in [low, high].
bool Number(const std::string& text, long low, long high, long* out) {
  if (text.empty() || text.size() > 9) return false;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end || v < low || v > high) return false;
  *out = v;
  return true;
}

// Inches with up to three decimals, as thousandths; false otherwise.
bool Thousandths(const std::string& text, long* out) {
  size_t dot = text.find('.');
  std::string whole = text.substr(0, dot),
              frac = dot == std::string::npos ? "" : text.substr(dot + 1);
  if ((whole.empty() && frac.empty()) || frac.size() > 3 || frac.find('.') != std::string::npos ||
      whole.size() > 3)
    return false;
  long w = 0, fr = 0;
  if (!whole.empty() && !Number(whole, 0, 999, &w)) return false;
  if (!frac.empty() && !Number(frac, 0, 999, &fr)) return false;
  while (frac.size() < 3) frac += '0', fr *= 10;
  *out = w * 1000 + fr;
  return true;
}

std::string InchText(int thousandths) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%03d", thousandths / 1000, thousandths % 1000);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s += '0';
  return s;
}

}  // namespace

BOOL PrintDlg(PRINTDLGA* pd) {
  comdlg::SetExtendedError(0);
  if (!pd || pd->lStructSize != sizeof(PRINTDLGA)) {
    comdlg::SetExtendedError(CDERR_STRUCTSIZE);
    return FALSE;
  }
  DEVMODE mode = pd->devMode ? *pd->devMode : DEVMODE{};
  Form f;
  f.title = "Print";
  std::vector<std::string> printers = PrinterNames();
  f.Add(Item{Kind::kGroup, RECT{10, 6, kWidth - 10, 78}, "Printer"});
  f.Add(Label(22, 24, 56, "Name:"));
  Item printer{Kind::kChoice, RECT{80, 24, kWidth - 22, 45}, ""};
  printer.options = printers;
  for (size_t i = 0; i < printers.size(); ++i)
    if (printers[i] == mode.dmDeviceName) printer.choice = int(i);
  int printerAt = f.Add(printer);
  f.Add(Label(22, 50, 56, "Where:"));
  const char* queue = std::getenv("TESSERA_PRINT_QUEUE");
  f.Add(Label(80, 50, kWidth - 102, queue && *queue ? "CUPS print queue" : "PDF file"));

  bool pages = (pd->Flags & PD_PAGENUMS) != 0;
  f.Add(Item{Kind::kGroup, RECT{10, 86, 214, 176}, "Print range"});
  int allAt = f.Add(Radio(22, 104, 120, "All", 1, !pages));
  int pagesAt = f.Add(Radio(22, 128, 60, "Pages", 1, pages));
  f.Add(Label(84, 128, 30, "from:"));
  int fromAt = f.Add(Field(116, 128, 34, pages ? std::to_string(pd->nFromPage) : "", kDigits));
  f.Add(Label(156, 128, 16, "to:"));
  int toAt = f.Add(Field(172, 128, 34, pages ? std::to_string(pd->nToPage) : "", kDigits));
  f.Add(Item{Kind::kGroup, RECT{222, 86, kWidth - 10, 176}, "Copies"});
  f.Add(Label(234, 104, 100, "Number of copies:"));
  int copiesAt = f.Add(Field(340, 104, 56, std::to_string(std::max<int>(1, pd->nCopies)), kDigits));
  Item collate{Kind::kCheck, RECT{234, 134, kWidth - 22, 154}, "Collate"};
  collate.checked = (pd->Flags & PD_COLLATE) != 0;
  int collateAt = f.Add(collate);
  f.height = 176;
  (void)allAt;
  // Typing a page number chooses "Pages", as on the platform.
  f.edited = [&](Form& form, int index) {
    if (index == fromAt || index == toAt) SetRadio(form, pagesAt);
  };
  long from = 0, to = 0, copies = 1;
  f.check = [&](Form& form) -> std::string {
    if (!Number(form.items[size_t(copiesAt)].text, 1, 9999, &copies))
      return "The number of copies must be between 1 and 9999.";
    if (form.items[size_t(pagesAt)].checked) {
      if (!Number(form.items[size_t(fromAt)].text, pd->nMinPage, pd->nMaxPage, &from) ||
          !Number(form.items[size_t(toAt)].text, pd->nMinPage, pd->nMaxPage, &to) || to < from)
        return "The page range must lie between " + std::to_string(pd->nMinPage) + " and " +
               std::to_string(pd->nMaxPage) + ", the first page before the last.";
    }
    return {};
  };
  if (!RunForm(f, pd->hwndOwner, pd->x, pd->y,
               (pd->Flags & PD_ENABLEHOOK) ? pd->lpfnPrintHook : nullptr,
               reinterpret_cast<LPARAM>(pd)))
    return FALSE;

  const std::string& name = printers[size_t(f.items[size_t(printerAt)].choice)];
  std::snprintf(mode.dmDeviceName, sizeof mode.dmDeviceName, "%s", name.c_str());
  bool ranged = f.items[size_t(pagesAt)].checked;
  mode.dmCopies = short(copies);
  mode.dmCollate = f.items[size_t(collateAt)].checked;
  mode.dmFromPage = short(ranged ? from : 0);
  mode.dmToPage = short(ranged ? to : 0);
  pd->Flags = (pd->Flags & ~DWORD(PD_PAGENUMS | PD_COLLATE)) | (ranged ? DWORD(PD_PAGENUMS) : 0u) |
              (mode.dmCollate ? DWORD(PD_COLLATE) : 0u);
  pd->nCopies = WORD(copies);
  if (ranged) pd->nFromPage = WORD(from), pd->nToPage = WORD(to);
  if (pd->devMode) *pd->devMode = mode;
  if (pd->Flags & PD_RETURNDC) pd->hDC = CreateDC("WINSPOOL", mode.dmDeviceName, nullptr, &mode);
  return TRUE;
}

BOOL PageSetupDlg(PAGESETUPDLGA* psd) {
  comdlg::SetExtendedError(0);
  if (!psd || psd->lStructSize != sizeof(PAGESETUPDLGA)) {
    comdlg::SetExtendedError(CDERR_STRUCTSIZE);
    return FALSE;
  }
  DEVMODE mode = psd->devMode ? *psd->devMode : DEVMODE{};
  Form f;
  f.title = "Page Setup";
  f.Add(Item{Kind::kGroup, RECT{10, 6, kWidth - 10, 56}, "Paper"});
  f.Add(Label(22, 24, 40, "Size:"));
  Item paper{Kind::kChoice, RECT{64, 24, kWidth - 22, 45}, ""};
  for (const PaperInfo& p : Papers()) {
    if (p.code == mode.dmPaperSize) paper.choice = int(paper.options.size());
    paper.options.emplace_back(p.name);
  }
  int paperAt = f.Add(paper);
  bool landscape = mode.dmOrientation == DMORIENT_LANDSCAPE;
  f.Add(Item{Kind::kGroup, RECT{10, 64, 150, 142}, "Orientation"});
  f.Add(Radio(22, 82, 120, "Portrait", 1, !landscape));
  int landscapeAt = f.Add(Radio(22, 108, 120, "Landscape", 1, landscape));
  f.Add(Item{Kind::kGroup, RECT{158, 64, kWidth - 10, 142}, "Margins (inches)"});
  const char* names[4] = {"Left:", "Top:", "Right:", "Bottom:"};
  int marginAt[4];
  for (int i = 0; i < 4; ++i) {
    int x = 170 + (i % 2) * 120, y = 84 + (i / 2) * 28;
    f.Add(Label(x, y, 46, names[i]));
    marginAt[i] = f.Add(Field(x + 48, y, 56, InchText(mode.dmMargin[i]), kDecimal));
  }
  f.height = 142;
  DEVMODE chosen = mode;
  f.check = [&](Form& form) -> std::string {
    chosen.dmPaperSize = Papers()[size_t(form.items[size_t(paperAt)].choice)].code;
    chosen.dmOrientation =
        form.items[size_t(landscapeAt)].checked ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    for (int i = 0; i < 4; ++i) {
      long v = 0;
      if (!Thousandths(form.items[size_t(marginAt[i])].text, &v))
        return "The margins are inches, with up to three decimals.";
      chosen.dmMargin[i] = int(v);
    }
    if (!ValidDevMode(chosen)) return "The margins leave too little of the paper to print on.";
    return {};
  };
  if (!RunForm(f, psd->hwndOwner, psd->x, psd->y,
               (psd->Flags & PSD_ENABLEPAGESETUPHOOK) ? psd->lpfnPageSetupHook : nullptr,
               reinterpret_cast<LPARAM>(psd)))
    return FALSE;
  if (psd->devMode) *psd->devMode = chosen;
  short w = 0, l = 0;
  PaperSize(chosen.dmPaperSize, &w, &l);
  if (chosen.dmOrientation == DMORIENT_LANDSCAPE) std::swap(w, l);
  psd->ptPaperSize = POINT{LONG(w * 1000L / 254), LONG(l * 1000L / 254)};
  psd->rtMargin =
      RECT{chosen.dmMargin[0], chosen.dmMargin[1], chosen.dmMargin[2], chosen.dmMargin[3]};
  return TRUE;
}

}  // namespace tess::platform
