#include "platform/user/clipboard.h"

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/codepage.h"

namespace tess::platform {

namespace {

struct Block {
  std::vector<char> bytes;
  int locks = 0;
};

struct Clipboard {
  std::mutex mutex;
  bool open = false;
  std::thread::id opener;
  std::map<UINT, HGLOBAL> data;
  std::map<std::string, UINT> names;
  std::shared_ptr<SystemClipboard> system;
  bool textChanged = false;  // since the clipboard was opened
};

Clipboard& Board() {
  static Clipboard board;
  return board;
}

bool OpenHere(Clipboard& b) {
  return b.open && b.opener == std::this_thread::get_id();
}

// The text of a block up to its terminator.
template <typename Char>
std::basic_string<Char> TextOf(HGLOBAL block) {
  auto* b = static_cast<Block*>(block);
  size_t n = b->bytes.size() / sizeof(Char);
  std::basic_string<Char> text(n, Char(0));
  std::memcpy(text.data(), b->bytes.data(), n * sizeof(Char));
  text.resize(std::char_traits<Char>::length(text.c_str()));
  return text;
}

template <typename Char>
HGLOBAL BlockOf(const std::basic_string<Char>& text) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(Char));
  std::memcpy(static_cast<Block*>(h)->bytes.data(), text.c_str(), (text.size() + 1) * sizeof(Char));
  return h;
}

// The text format the other one can be made from.
HGLOBAL Synthesize(Clipboard& b, UINT format) {
  if (format == CF_TEXT && b.data.count(CF_UNICODETEXT)) {
    std::u16string wide = TextOf<char16_t>(b.data[CF_UNICODETEXT]);
    return b.data[CF_TEXT] = BlockOf(WideToMultiByte(GetACP(), wide));
  }
  if (format == CF_UNICODETEXT && b.data.count(CF_TEXT)) {
    std::string narrow = TextOf<char>(b.data[CF_TEXT]);
    return b.data[CF_UNICODETEXT] = BlockOf(MultiByteToWide(GetACP(), narrow));
  }
  return nullptr;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, size_t bytes) {
  auto* b = new Block;
  b->bytes.assign(bytes, 0);
  return b;
}

void* GlobalLock(HGLOBAL block) {
  if (!block) return nullptr;
  auto* b = static_cast<Block*>(block);
  ++b->locks;
  return b->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL block) {
  if (!block) return FALSE;
  auto* b = static_cast<Block*>(block);
  if (b->locks > 0) --b->locks;
  return b->locks > 0;
}

size_t GlobalSize(HGLOBAL block) {
  return block ? static_cast<Block*>(block)->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL block) {
  delete static_cast<Block*>(block);
  return nullptr;
}

BOOL OpenClipboard(HWND) {
  Clipboard& b = Board();
  std::shared_ptr<SystemClipboard> system;
  {
    std::lock_guard lock(b.mutex);
    if (b.open && b.opener != std::this_thread::get_id()) return FALSE;
    if (OpenHere(b)) return TRUE;
    b.open = true;
    b.opener = std::this_thread::get_id();
    b.textChanged = false;
    system = b.system;
  }
  // Asked outside the lock: the display may take a while to answer.
  std::string utf8;
  if (system && system->fetch && system->fetch(&utf8)) {
    std::lock_guard lock(b.mutex);
    for (auto& [format, block] : b.data) GlobalFree(block);
    b.data.clear();
    b.data[CF_UNICODETEXT] = BlockOf(MultiByteToWide(CP_UTF8, utf8));
  }
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& b = Board();
  std::shared_ptr<SystemClipboard> publishTo;
  std::string utf8;
  {
    std::lock_guard lock(b.mutex);
    if (!OpenHere(b)) return FALSE;
    b.open = false;
    if (b.textChanged && b.system && b.system->publish &&
        (b.data.count(CF_UNICODETEXT) || b.data.count(CF_TEXT))) {
      HGLOBAL wide =
          b.data.count(CF_UNICODETEXT) ? b.data[CF_UNICODETEXT] : Synthesize(b, CF_UNICODETEXT);
      utf8 = WideToMultiByte(CP_UTF8, TextOf<char16_t>(wide));
      publishTo = b.system;
    }
    b.textChanged = false;
  }
  if (publishTo) publishTo->publish(utf8);
  return TRUE;
}

void SetSystemClipboard(std::shared_ptr<SystemClipboard> system) {
  Clipboard& b = Board();
  std::lock_guard lock(b.mutex);
  b.system = std::move(system);
}

BOOL EmptyClipboard() {
  Clipboard& b = Board();
  std::lock_guard lock(b.mutex);
  if (!OpenHere(b)) return FALSE;
  for (auto& [format, block] : b.data) GlobalFree(block);
  b.data.clear();
  return TRUE;
}

HGLOBAL SetClipboardData(UINT format, HGLOBAL data) {
  Clipboard& b = Board();
  std::lock_guard lock(b.mutex);
  if (!OpenHere(b) || !data) return nullptr;
  if (format == CF_TEXT || format == CF_UNICODETEXT) b.textChanged = true;
  auto it = b.data.find(format);
  if (it != b.data.end() && it->second != data) GlobalFree(it->second);
  b.data[format] = data;
  // A new text drops the other text format made from the old one.
  UINT other = format == CF_TEXT          ? UINT(CF_UNICODETEXT)
               : format == CF_UNICODETEXT ? UINT(CF_TEXT)
                                          : 0u;
  if (other) {
    auto o = b.data.find(other);
    if (o != b.data.end()) {
      GlobalFree(o->second);
      b.data.erase(o);
    }
  }
  return data;
}

HGLOBAL GetClipboardData(UINT format) {
  Clipboard& b = Board();
  std::lock_guard lock(b.mutex);
  if (!OpenHere(b)) return nullptr;
  auto it = b.data.find(format);
  if (it != b.data.end()) return it->second;
  return Synthesize(b, format);
}

BOOL IsClipboardFormatAvailable(UINT format) {
  Clipboard& b = Board();
  std::lock_guard lock(b.mutex);
  if (b.data.count(format)) return TRUE;
  if (format == CF_TEXT) return b.data.count(CF_UNICODETEXT) > 0;
  if (format == CF_UNICODETEXT) return b.data.count(CF_TEXT) > 0;
  return FALSE;
}

UINT RegisterClipboardFormat(const char* name) {
  if (!name || !*name) return 0;
  Clipboard& b = Board();
  std::lock_guard lock(b.mutex);
  std::string key(name);
  for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
  auto it = b.names.find(key);
  if (it != b.names.end()) return it->second;
  UINT id = UINT(0xC000 + b.names.size());
  b.names[key] = id;
  return id;
}

}  // namespace tess::platform
