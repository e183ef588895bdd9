#include "files/file_types.h"

namespace tess::files {
namespace {

std::vector<FileType> g_types;

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

struct Choice {
  std::string text, patterns, extension;
};

void Append(std::string& pairs, const Choice& c) {
  pairs += c.text;
  pairs += '\0';
  pairs += c.patterns;
  pairs += '\0';
}

}  // namespace

void SetApplicationFileTypes(std::vector<FileType> types) {
  g_types = std::move(types);
}

const std::vector<FileType>& ApplicationFileTypes() {
  return g_types;
}

const FileType* FileTypeOfName(std::string_view fileName) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == fileName.size()) return nullptr;
  std::string_view extension = fileName.substr(dot + 1);
  for (const FileType& type : g_types)
    for (const std::string& e : type.extensions)
      if (SameText(e, extension)) return &type;
  return nullptr;
}

DialogFilter FilterForFileTypes(std::string_view list, bool forOpen) {
  std::vector<Choice> choices;
  bool any = Trim(list).empty();
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string_view::npos) end = list.size();
    std::string_view entry = Trim(list.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) continue;
    if (entry == "????" || entry == "*" || entry == "*.*") {
      any = true;
      continue;
    }
    Choice c;
    if (entry[0] == '.' || entry.substr(0, 2) == "*.") {
      std::string_view extension = entry.substr(entry[0] == '.' ? 1 : 2);
      if (extension.empty()) continue;
      c.patterns = "*." + std::string(extension);
      c.text = c.patterns;
      c.extension = extension;
    } else {
      const FileType* type = nullptr;
      for (const FileType& t : g_types)
        if (SameText(t.name, entry)) type = &t;
      if (!type || type->extensions.empty()) continue;
      for (const std::string& e : type->extensions)
        c.patterns += (c.patterns.empty() ? "*." : ";*.") + e;
      c.text = type->name + " (" + c.patterns + ")";
      c.extension = type->extensions.front();
    }
    choices.push_back(std::move(c));
  }
  DialogFilter out;
  if (!choices.empty()) out.defaultExtension = choices.front().extension;
  if (forOpen && choices.size() > 1) {
    Choice all{"All Supported Files", "", ""};
    for (const Choice& c : choices) all.patterns += (all.patterns.empty() ? "" : ";") + c.patterns;
    Append(out.pairs, all);
  }
  for (const Choice& c : choices) Append(out.pairs, c);
  if (any || choices.empty()) Append(out.pairs, {"All Files (*.*)", "*.*", ""});
  out.pairs += '\0';
  return out;
}

}  // namespace tess::files
