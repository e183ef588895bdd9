// The drawing state of one Graphics and the scope through which every
// operation reaches its context (see graphics_object.cpp).
#pragma once

#include <cstdint>
#include <string>

#include "graphics/graphics.h"
#include "platform/gdi/wingdi.h"

namespace tess::graphics {

// Where a Graphics draws (its target) and how (the rest).
struct GraphicsState : GraphicsTarget {
  uint32_t foreColor = 0;
  std::string textFont = "System";
  int32_t textSize = 0;
  bool bold = false, italic = false, underline = false;
  int32_t penWidth = 1, penHeight = 1;
  // Printing: the job's values and how a page ends (null elsewhere).
  int32_t copies = 1, firstPage = 1, lastPage = 1;
  void (*nextPage)(GraphicsState& state) = nullptr;
  // The print job, ended when the Graphics goes or is detached.
  void* job = nullptr;
  void (*endJob)(GraphicsState& state) = nullptr;
};

// The state of a Graphics; null for anything else.
GraphicsState* GraphicsStateOf(TessObject* object);
void InitGraphicsClass();
// The PrinterSetup class (printing.cpp).
void InitPrinting();

// The context of a Graphics ready to draw: saved, clipped to the area, its
// origin at the control's offset; restored when the scope ends. False when
// the target is gone.
class Drawing {
 public:
  explicit Drawing(const GraphicsState& s);
  ~Drawing();
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;
  explicit operator bool() const { return saved_ != 0; }
  platform::HDC dc() const { return dc_; }
  // Selects a font made from the state, deleted after the context is restored.
  void SelectFont(const GraphicsState& s);

 private:
  platform::HDC dc_ = nullptr;
  int saved_ = 0;
  platform::HFONT font_ = nullptr;
};

// A memory context with the state's font, for measuring text whatever the
// target (a detached Graphics measures as it would draw).
class MeasuringContext {
 public:
  explicit MeasuringContext(const GraphicsState& s);
  ~MeasuringContext();
  MeasuringContext(const MeasuringContext&) = delete;
  MeasuringContext& operator=(const MeasuringContext&) = delete;
  platform::HDC dc() const { return dc_; }

 private:
  platform::HDC dc_ = nullptr;
  platform::HFONT font_ = nullptr;
};

// The font a state draws with (the caller deletes it).
platform::HFONT CreateStateFont(const GraphicsState& s);

}  // namespace tess::graphics
