#include "platform/user/message_box.h"

#include "platform/user/message_box_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <vector>

namespace tess::platform {

namespace {

// The comma-separated button names that answer boxes in order.
constexpr char kAnswerVariable[] = "TESSERA_MSGBOX_ANSWER";

std::mutex g_lock;
MessageBoxHook g_hook;
size_t g_answersUsed = 0;

std::vector<int> Buttons(unsigned type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
      return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
      return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
      return {IDYES, IDNO};
    case MB_RETRYCANCEL:
      return {IDRETRY, IDCANCEL};
    default:
      return {IDOK};
  }
}

int ButtonFromName(std::string_view name) {
  for (int id = IDOK; id <= IDNO; ++id) {
    std::string_view known = ButtonName(id);
    if (known.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size(); ++i) {
      char c = name[i];
      if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
      char k = known[i];
      if (k >= 'A' && k <= 'Z') k = char(k - 'A' + 'a');
      same = same && c == k;
    }
    if (same) return id;
  }
  return 0;
}

// The next scripted answer, or 0 when the script is exhausted.
int NextScriptedAnswer() {
  const char* script = std::getenv(kAnswerVariable);
  if (!script) return 0;
  std::string_view rest(script);
  for (size_t index = 0;; ++index) {
    size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    if (index == g_answersUsed) {
      ++g_answersUsed;
      return ButtonFromName(item);
    }
    if (comma == std::string_view::npos) return 0;
    rest.remove_prefix(comma + 1);
  }
}

// A box is always written to standard error; it is answered by the script
// headless, or by the user when the desktop is presented.
int HeadlessMessageBox(HWND owner, const MessageBoxRequest& request,
                       std::unique_lock<std::mutex>& guard) {
  std::vector<int> buttons = Buttons(request.type);
  int answer = NextScriptedAnswer();
  bool offered = false;
  for (int b : buttons) offered = offered || b == answer;
  if (!offered) answer = DefaultButton(request.type);
  guard.unlock();
  // A scripted run keeps its script even with a display.
  if (!std::getenv(kAnswerVariable))
    if (int pressed =
            user::PresentedMessageBox(owner, request, buttons, DefaultButton(request.type)))
      answer = pressed;

  std::string offeredNames;
  for (int b : buttons) {
    if (!offeredNames.empty()) offeredNames += ' ';
    offeredNames += ButtonName(b);
  }
  std::fprintf(stderr, "[message box: %s]\n%s\n[buttons: %s; pressed: %s]\n",
               request.caption.c_str(), request.text.c_str(), offeredNames.c_str(),
               ButtonName(answer));
  std::fflush(stderr);
  return answer;
}

}  // namespace

const char* ButtonName(int id) {
  switch (id) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "Abort";
    case IDRETRY:
      return "Retry";
    case IDIGNORE:
      return "Ignore";
    case IDYES:
      return "Yes";
    case IDNO:
      return "No";
    default:
      return "?";
  }
}

int DefaultButton(unsigned type) {
  std::vector<int> buttons = Buttons(type);
  size_t index = (type & MB_DEFMASK) >> 8;
  return buttons[index < buttons.size() ? index : 0];
}

void SetMessageBoxHook(MessageBoxHook hook) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_hook = std::move(hook);
}

int MessageBox(HWND owner, const std::string& text, const std::string& caption, unsigned type) {
  MessageBoxRequest request{text, caption, type};
  std::unique_lock<std::mutex> guard(g_lock);
  if (g_hook) {
    MessageBoxHook hook = g_hook;
    guard.unlock();
    return hook(request);
  }
  return HeadlessMessageBox(owner, request, guard);
}

}  // namespace tess::platform
