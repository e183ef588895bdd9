// The styled-text block of TextStyleData and SetTextAndStyle: the classic
// style resource of the authoring platform, big-endian, followed by a table
// naming the fonts its runs use (which a classic reader never looks at):
//
//   u16 runs
//   runs x { u32 start (character offset), i16 line height, i16 ascent,
//            i16 font number, u8 face (1 bold, 2 italic, 4 underline,
//            8 outline, 16 shadow, 32 condensed, 64 extended), u8 0,
//            i16 size (points), u16 red, u16 green, u16 blue }   (20 bytes)
//   u16 names x { i16 font number, u8 length, length bytes }     (optional)
//
// Fonts named in the table are numbered from 1024; other numbers are the
// classic ones (0 system, 3 Geneva, 4 Monaco, 20 Times, 21 Helvetica,
// 22 Courier), read as the fonts that stand in for them.
#pragma once

#include <string>
#include <string_view>

#include "platform/richedit/text_model.h"

namespace tess::ui {

std::string EncodeStyledText(const richedit::TextModel& model);
// Applies the runs to the model's text (which they describe); runs past the
// text, and a block cut short, stop the reading. False for a block that
// holds no run count.
bool DecodeStyledText(std::string_view block, richedit::TextModel* model);

}  // namespace tess::ui
