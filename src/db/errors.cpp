// Fills the caller's parts into a named error's message.
#include "db/errors.h"

namespace tess::db {

Status Error(const ErrorText& error, std::initializer_list<std::string_view> parts) {
  Status s{error.code, {}};
  std::string_view text = error.message;
  const std::string_view* part = parts.begin();
  for (size_t at; (at = text.find("%s")) != std::string_view::npos && part != parts.end();) {
    s.message.append(text.substr(0, at)).append(*part++);
    text.remove_prefix(at + 2);
  }
  s.message.append(text);
  return s;
}

}  // namespace tess::db
