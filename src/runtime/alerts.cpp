#include "runtime/alerts.h"

#include <cstdio>

#include "platform/kernel/process.h"
#include "platform/user/message_box.h"
#include "tessera/runtime.h"

namespace tess {

namespace {
std::string& ApplicationTitle() {
  static std::string title;
  return title;
}
}  // namespace

void SetApplicationTitle(std::string title) {
  ApplicationTitle() = std::move(title);
}

void ShowRuntimeMessage(std::string_view text) {
  platform::MessageBox(nullptr, std::string(text), ApplicationTitle(), platform::MB_OK);
}

std::string FormatAssertion(int number, const char* file, int line) {
  char text[256];
  std::snprintf(text, sizeof text,
                "Failed Assertion: %d\nPress OK to Continue\nPress Cancel to Quit.\n\n"
                "Please report what caused this error\nalong with the information below.\n\n"
                " %s : %d",
                int(int16_t(number)), file ? file : "", line);
  return text;
}

void InternalAssertion(AssertionCode code, const char* source, int line) {
  int pressed =
      platform::MessageBox(nullptr, FormatAssertion(code.number, source, line), "",
                           platform::MB_OKCANCEL | platform::MB_ICONSTOP | platform::MB_DEFBUTTON2);
  if (pressed == platform::IDCANCEL) platform::ExitProcess(0);
}

}  // namespace tess

extern "C" void RuntimeMsgBox(TessString* message) {
  std::string text;
  if (message && message->length > 0) {
    text.assign(reinterpret_cast<const char*>(message->buffer) + 1, size_t(message->length));
  }
  tess::ShowRuntimeMessage(text);
}
