// The one error road of the image builder: every refusal and every malformed
// input becomes an Error whose text names the file (and, where it applies,
// the section and symbol). The command prints it and exits non-zero.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace tess::imagetool {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Several refusals found in one pass, so a user fixes them all at once.
class BuildError : public Error {
 public:
  explicit BuildError(std::vector<std::string> messages)
      : Error(Join(messages)), messages_(std::move(messages)) {}
  const std::vector<std::string>& messages() const { return messages_; }

 private:
  static std::string Join(const std::vector<std::string>& messages) {
    std::string text;
    for (const std::string& m : messages) {
      if (!text.empty()) text += '\n';
      text += m;
    }
    return text;
  }
  std::vector<std::string> messages_;
};

}  // namespace tess::imagetool
