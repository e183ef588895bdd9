// Fonts: the names applications use, mapped onto installed outline fonts of
// the same metrics (the Liberation family for the Windows core fonts, a
// Japanese Gothic for "MS UI Gothic"), rasterised by FreeType without
// anti-aliasing. Glyphs and metrics are cached per face and pixel size; the
// cache is shared by every font object asking for the same face and size.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/wingdi.h"

namespace tess::platform::gdi {

struct Glyph {
  int advance = 0;        // pixels to the next pen position
  int left = 0, top = 0;  // bitmap offset from the pen position, top above baseline
  int width = 0, height = 0;
  std::vector<uint8_t> bits;  // width x height, one byte per pixel, 0 or 1
};

class FontFace {
 public:
  // Never null: an unknown name, or missing font files, give the default
  // face (and, without any font file at all, a face of empty boxes).
  static std::shared_ptr<FontFace> Get(const LOGFONT& lf);
  virtual ~FontFace() = default;

  virtual const Glyph& GlyphFor(uint32_t codepoint) = 0;
  const TEXTMETRIC& metrics() const { return metrics_; }
  bool underline() const { return underline_; }
  bool strikeOut() const { return strike_; }
  const std::string& name() const { return name_; }
  // Where the underline goes, below the baseline, and how thick it is.
  int underlinePosition() const { return underlinePos_; }
  int underlineThickness() const { return underlineThick_; }
  // The outline font behind the face, for devices that keep text as text:
  // its file (empty for a face without one), the em size in pixels, and the
  // styles the rasteriser makes up because the file lacks them.
  struct Outline {
    std::string file;
    int pixelsPerEm = 0;
    bool fakeBold = false, fakeItalic = false;
  };
  const Outline& outline() const { return outline_; }

 protected:
  TEXTMETRIC metrics_{};
  bool underline_ = false, strike_ = false;
  std::string name_;
  int underlinePos_ = 1, underlineThick_ = 1;
  Outline outline_;
};

// Which installed file serves a face name, bold and italic; empty if none.
std::string FontFileFor(const std::string& face, bool bold, bool italic);

// The face names of the installed fonts, and the platform names mapped onto
// installed files, each once, sorted without regard to case.
std::vector<std::string> FontFamilyNames();

// Decodes UTF-8, reading stray bytes as Latin-1, so any byte string shows.
std::vector<uint32_t> DecodeText(const char* text, int length);

}  // namespace tess::platform::gdi
