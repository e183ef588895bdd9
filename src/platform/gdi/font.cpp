// Font matching and FreeType rasterisation; see font.h. Both caches are
// bounded: faces by count, glyphs by bytes.
#include "platform/gdi/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <unordered_map>

namespace tess::platform::gdi {

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

enum class Family { Sans, Serif, Mono, Gothic };

Family FamilyOf(const std::string& face) {
  static const std::pair<const char*, Family> names[] = {
      {"ms sans serif", Family::Sans}, {"arial", Family::Sans},
      {"helvetica", Family::Sans},     {"system", Family::Sans},
      {"geneva", Family::Sans},        {"ms shell dlg", Family::Sans},
      {"tahoma", Family::Sans},        {"verdana", Family::Sans},
      {"courier new", Family::Mono},   {"courier", Family::Mono},
      {"monaco", Family::Mono},        {"fixedsys", Family::Mono},
      {"terminal", Family::Mono},      {"times new roman", Family::Serif},
      {"times", Family::Serif},        {"new york", Family::Serif},
      {"georgia", Family::Serif},      {"ms ui gothic", Family::Gothic},
      {"ms gothic", Family::Gothic},   {"ms pgothic", Family::Gothic},
      {"ms mincho", Family::Gothic},   {"osaka", Family::Gothic},
  };
  std::string key = Lower(face);
  for (auto& [name, family] : names)
    if (key == name) return family;
  return Family::Sans;
}

// Font folders: TESSERA_FONT_DIR first (for tests that bring their own),
// then the system's.
std::vector<std::filesystem::path> FontDirs() {
  std::vector<std::filesystem::path> dirs;
  if (const char* d = std::getenv("TESSERA_FONT_DIR")) dirs.emplace_back(d);
  dirs.emplace_back("/usr/share/fonts");
  return dirs;
}

std::string FindFile(const std::vector<std::string>& names) {
  static std::mutex m;
  static std::map<std::string, std::string> found;  // file name -> path
  static bool scanned = false;
  std::lock_guard lock(m);
  if (!scanned) {
    scanned = true;
    for (auto& dir : FontDirs()) {
      std::error_code ec;
      for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
           !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!found.count(name)) found[name] = it->path().string();
      }
    }
  }
  for (auto& n : names)
    if (auto it = found.find(n); it != found.end()) return it->second;
  return {};
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l)) l = nullptr;
    return l;
  }();
  return lib;
}

std::mutex& FtLock() {
  static std::mutex m;
  return m;
}

class FreeTypeFace : public FontFace {
 public:
  FreeTypeFace(FT_Face face, int pixelHeight, bool cellHeight, bool bold, bool italic,
               bool fakeBold, bool fakeItalic, const LOGFONT& lf)
      : face_(face), fakeBold_(fakeBold), fakeItalic_(fakeItalic) {
    underline_ = lf.lfUnderline != 0;
    strike_ = lf.lfStrikeOut != 0;
    name_ = lf.lfFaceName;
    TT_OS2* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double upem = face->units_per_EM;
    double winAscent = os2 ? os2->usWinAscent : face->ascender;
    double winDescent = os2 ? os2->usWinDescent : -face->descender;
    // A positive height asks for the cell (ascent + descent), a negative one
    // for the em; the platform sizes Windows fonts the same way.
    double ppem = cellHeight ? pixelHeight * upem / (winAscent + winDescent) : pixelHeight;
    ppem_ = std::max(1, int(std::lround(ppem)));
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(ppem_));
    outline_.pixelsPerEm = ppem_;
    outline_.fakeBold = fakeBold;
    outline_.fakeItalic = fakeItalic;
    metrics_.tmAscent = LONG(std::lround(winAscent * ppem_ / upem));
    metrics_.tmDescent = LONG(std::lround(winDescent * ppem_ / upem));
    metrics_.tmHeight = metrics_.tmAscent + metrics_.tmDescent;
    metrics_.tmInternalLeading = std::max<LONG>(0, metrics_.tmHeight - ppem_);
    metrics_.tmWeight = bold ? FW_BOLD : FW_NORMAL;
    metrics_.tmItalic = italic;
    metrics_.tmUnderlined = underline_;
    underlinePos_ = std::max(1, int(std::lround(-face->underline_position * ppem_ / upem)));
    underlineThick_ = std::max(1, int(std::lround(face->underline_thickness * ppem_ / upem)));
    const Glyph& x = GlyphFor('x');
    metrics_.tmAveCharWidth = x.advance;
    metrics_.tmMaxCharWidth = LONG(std::lround(double(face->max_advance_width) * ppem_ / upem));
  }
  ~FreeTypeFace() override { FT_Done_Face(face_); }
  void SetOutlineFile(const std::string& file) { outline_.file = file; }

  const Glyph& GlyphFor(uint32_t cp) override {
    std::lock_guard lock(FtLock());
    auto it = cache_.find(cp);
    if (it != cache_.end()) return it->second;
    // Bounded, so hostile text and sizes cannot exhaust memory. Callers hold
    // one glyph at a time, so dropping the others here is safe.
    if (cacheBytes_ > kCacheBytes) {
      cache_.clear();
      cacheBytes_ = 0;
    }
    Glyph& g = cache_[cp];
    if (fakeItalic_) {
      FT_Matrix shear{0x10000, 0x3000, 0, 0x10000};
      FT_Set_Transform(face_, &shear, nullptr);
    }
    FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (FT_Load_Glyph(face_, index, FT_LOAD_TARGET_MONO) == 0) {
      FT_GlyphSlot slot = face_->glyph;
      if (fakeBold_ && slot->format == FT_GLYPH_FORMAT_OUTLINE)
        FT_Outline_Embolden(&slot->outline, 64);
      if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
        const FT_Bitmap& bm = slot->bitmap;
        g.advance = int((slot->advance.x + 32) >> 6) + (fakeBold_ ? 1 : 0);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = int(bm.width);
        g.height = int(bm.rows);
        g.bits.assign(size_t(g.width) * size_t(g.height), 0);
        for (int y = 0; y < g.height; ++y)
          for (int x = 0; x < g.width; ++x)
            g.bits[size_t(y * g.width + x)] =
                (bm.buffer[y * bm.pitch + (x >> 3)] >> (7 - (x & 7))) & 1;
      }
    }
    if (fakeItalic_) FT_Set_Transform(face_, nullptr, nullptr);
    cacheBytes_ += g.bits.size() + sizeof(Glyph) + 16;
    return g;
  }

 private:
  FT_Face face_;
  bool fakeBold_, fakeItalic_;
  int ppem_ = 1;
  std::unordered_map<uint32_t, Glyph> cache_;
  size_t cacheBytes_ = 0;
  static constexpr size_t kCacheBytes = size_t(8) << 20;
};

// Without any font file text still measures: boxes of a fixed size.
class BoxFace : public FontFace {
 public:
  explicit BoxFace(int height) {
    metrics_.tmHeight = std::max(1, height);
    metrics_.tmAscent = metrics_.tmHeight * 4 / 5;
    metrics_.tmDescent = metrics_.tmHeight - metrics_.tmAscent;
    metrics_.tmAveCharWidth = metrics_.tmMaxCharWidth = std::max(1, height / 2);
    glyph_.advance = metrics_.tmAveCharWidth;
  }
  const Glyph& GlyphFor(uint32_t) override { return glyph_; }

 private:
  Glyph glyph_;
};

}  // namespace

std::string FontFileFor(const std::string& face, bool bold, bool italic) {
  const char* base = nullptr;
  switch (FamilyOf(face)) {
    case Family::Sans:
      base = "LiberationSans";
      break;
    case Family::Serif:
      base = "LiberationSerif";
      break;
    case Family::Mono:
      base = "LiberationMono";
      break;
    case Family::Gothic:
      return FindFile({"ipagp.ttf", "ipag.ttf", "VL-PGothic-Regular.ttf", "VL-Gothic-Regular.ttf"});
  }
  const char* style = bold && italic ? "-BoldItalic"
                      : bold         ? "-Bold"
                      : italic       ? "-Italic"
                                     : "-Regular";
  std::string styled = FindFile({std::string(base) + style + ".ttf"});
  return styled.empty() ? FindFile({std::string(base) + "-Regular.ttf"}) : styled;
}

std::shared_ptr<FontFace> FontFace::Get(const LOGFONT& lf) {
  static std::mutex m;
  static std::map<std::string, std::shared_ptr<FontFace>> faces;
  bool bold = lf.lfWeight >= 600, italic = lf.lfItalic != 0;
  // 0 means the default size; hostile sizes are bounded.
  int height = lf.lfHeight == 0 ? -11 : std::clamp<int>(lf.lfHeight, -2000, 2000);
  std::string face = lf.lfFaceName;
  std::string file = FontFileFor(face, bold, italic);
  std::string key = file + "|" + std::to_string(height) + "|" + (bold ? "b" : "") +
                    (italic ? "i" : "") + (lf.lfUnderline ? "u" : "") + (lf.lfStrikeOut ? "s" : "");
  std::lock_guard lock(m);
  if (auto it = faces.find(key); it != faces.end()) return it->second;
  if (faces.size() >= 64) {
    // Faces no font object holds any more go first.
    for (auto it = faces.begin(); it != faces.end();)
      it = it->second.use_count() == 1 ? faces.erase(it) : std::next(it);
  }
  std::shared_ptr<FontFace> result;
  FT_Face ft = nullptr;
  {
    std::lock_guard ftLock(FtLock());
    if (file.empty() || !Library() || FT_New_Face(Library(), file.c_str(), 0, &ft)) ft = nullptr;
  }
  if (ft) {
    std::string fname = std::filesystem::path(file).filename().string();
    bool fileBold = fname.find("Bold") != std::string::npos;
    bool fileItalic = fname.find("Italic") != std::string::npos;
    auto made = std::make_shared<FreeTypeFace>(ft, std::abs(height), height > 0, bold, italic,
                                               bold && !fileBold, italic && !fileItalic, lf);
    made->SetOutlineFile(file);
    result = made;
  } else {
    result = std::make_shared<BoxFace>(std::abs(height));
  }
  faces[key] = result;
  return result;
}

std::vector<uint32_t> DecodeText(const char* text, int length) {
  std::vector<uint32_t> out;
  if (!text || length <= 0) return out;
  const auto* s = reinterpret_cast<const uint8_t*>(text);
  for (int i = 0; i < length;) {
    uint8_t c = s[i];
    int n = c < 0x80             ? 0
            : (c & 0xE0) == 0xC0 ? 1
            : (c & 0xF0) == 0xE0 ? 2
            : (c & 0xF8) == 0xF0 ? 3
                                 : -1;
    uint32_t cp = n > 0 ? uint32_t(c & (0x3F >> n)) : c;
    bool ok = n >= 0 && i + n < length;
    for (int k = 1; ok && k <= n; ++k) {
      if ((s[i + k] & 0xC0) != 0x80)
        ok = false;
      else
        cp = cp << 6 | (s[i + k] & 0x3F);
    }
    if (n > 0 && ok && cp >= (n == 1 ? 0x80u : n == 2 ? 0x800u : 0x10000u)) {
      out.push_back(cp);
      i += n + 1;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}

std::vector<std::string> FontFamilyNames() {
  static const std::vector<std::string> names = [] {
    // Case-insensitive and sorted: the names an application may pass to
    // CreateFont and get an installed file for.
    std::map<std::string, std::string> byKey;
    auto add = [&](const std::string& name) {
      if (!name.empty()) byKey.emplace(Lower(name), name);
    };
    static const char* const kMapped[] = {"Arial", "Courier New", "Times New Roman",
                                          "MS Sans Serif", "MS UI Gothic"};
    for (const char* name : kMapped) {
      if (!FontFileFor(name, false, false).empty()) add(name);
    }
    std::lock_guard ftLock(FtLock());
    for (auto& dir : FontDirs()) {
      std::error_code ec;
      for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
           !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        std::string ext = Lower(it->path().extension().string());
        if (ext != ".ttf" && ext != ".otf" && ext != ".ttc") continue;
        FT_Face face = nullptr;
        if (!Library() || FT_New_Face(Library(), it->path().c_str(), 0, &face)) continue;
        if (face->family_name) add(face->family_name);
        FT_Done_Face(face);
      }
    }
    std::vector<std::string> out;
    for (auto& [key, name] : byKey) out.push_back(name);
    return out;
  }();
  return names;
}

}  // namespace tess::platform::gdi

namespace tess::platform {

int EnumFontFamilies(HDC, const char* family, FONTENUMPROC proc, LPARAM data) {
  if (!proc) return 0;
  int last = 1;
  for (const std::string& name : gdi::FontFamilyNames()) {
    if (family && *family && gdi::Lower(name) != gdi::Lower(family)) continue;
    LOGFONT lf;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", name.c_str());
    TEXTMETRIC tm = gdi::FontFace::Get(lf)->metrics();
    last = proc(&lf, &tm, TRUETYPE_FONTTYPE, data);
    if (!last) break;
  }
  return last;
}

}  // namespace tess::platform
