// Pictures joined to the rest of the runtime: FolderItem's picture members
// and exportPicture, project items of kind 1, and the conversions the
// database's picture columns use. The entries live in picture_files.cpp.
//
// A picture project item is decoded at start-up (its builder runs once per
// item), so a damaged one leaves its slot nil rather than failing later at
// the first drawing.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graphics/codecs/picture_codec.h"
#include "tessera/types.h"

namespace tess::graphics {

// Registers the builder of picture project items.
void InitPictureFiles();

// A new picture (one reference) decoded from a file's bytes; nil with
// *error for bytes no reader takes.
TessObject* PictureFromFileBytes(std::span<const uint8_t> bytes, std::string* error);
// A picture's bytes in `format` (quality 0-100 for JPEG); vector pictures
// are drawn on white at their size first. False with *error.
bool PictureFileBytes(TessObject* picture, PictureFormat format, int quality,
                      std::vector<uint8_t>* out, std::string* error);

// What the database's picture columns store: BMP, or JPEG for the JPEG
// columns; reading takes any format the readers know.
TessObject* DatabasePictureFromBytes(const std::string& bytes, bool jpeg);
bool DatabasePictureToBytes(TessObject* picture, bool jpeg, std::string* bytes);

}  // namespace tess::graphics
