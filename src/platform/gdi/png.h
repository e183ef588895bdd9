// PNG files of surfaces, through libpng: screenshots out, reference images
// in. Pixels travel as 8-bit RGB.
#pragma once

#include <memory>
#include <string>

#include "platform/gdi/surface.h"

namespace tess::platform::gdi {

bool WritePng(const Surface& surface, const std::string& path);
// A 32-bit surface, or nullptr when the file is missing or not a PNG.
std::unique_ptr<Surface> ReadPng(const std::string& path);

}  // namespace tess::platform::gdi
