// Rich text in and out of a TextModel.
//
// Read: the subset "{\rtf" documents of other programs use for text: the
// font and colour tables, \plain \b \i \ul \ulnone \f \fs \cf, \par \line
// \pard \ql \qc \qr \qj, \tab, \uN with \ucN, \'hh in the document's code
// page (1252 and Latin-1; others as 1252), the control symbols and the
// named punctuation. Groups marked \* and the destinations that hold no
// body text (style sheet, info, pictures, headers, footers, objects, ...)
// are skipped whole; any other control word is ignored. An extra closing
// brace ends the document; a document cut short keeps what was read.
// Refused, leaving the model unchanged: data that does not begin with
// "{\rtf", groups nested deeper than kMaxDepth.
//
// Write: {\rtf1\ansi\ansicpg1252\deff0 with a font table and a colour table
// of the formats used, then per paragraph \pard and its alignment and per
// run \plain with the run's members; characters outside ASCII as \'hh when
// code page 1252 has them, else \uN?.
#pragma once

#include <string>
#include <string_view>

#include "platform/richedit/text_model.h"

namespace tess::richedit {

inline constexpr int kMaxDepth = 200;

// Replaces [pos, pos + count) with the document; false (model unchanged and
// `error` set) when it is refused. `base` is the format text starts in
// before \plain or any change (its face and size stand for a missing font
// table or \fs); `inserted` receives the number of characters put in.
bool ReadRtf(std::string_view data, TextModel& model, size_t pos, size_t count,
             const CharFormat& base, size_t* inserted, std::string* error);

// The range as a complete document.
std::string WriteRtf(const TextModel& model, size_t pos, size_t count);

// True when the data starts like a rich-text document.
bool LooksLikeRtf(std::string_view data);

}  // namespace tess::richedit
