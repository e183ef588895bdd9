// The runtime's own Japanese converters: Shift-JIS to and from EUC-JP and
// ISO-2022-JP, and the byte classification behind the encoding guesser.
// Pure byte code, no host services.
//
// Double-byte codes move between JIS rows and Shift-JIS lead/trail bytes by
// the standard arithmetic; half-width katakana are 0xA1-0xDF in Shift-JIS,
// 0x8E + that byte in EUC-JP and ESC ( I + (byte - 0x80) in ISO-2022-JP.
// What has no counterpart in the target (malformed or truncated sequences,
// JIS X 0212, Shift-JIS user-defined rows) becomes '?'. No converter ever
// reads past the end of its input.
#pragma once

#include <string>
#include <string_view>

namespace tess::japanese {

std::string ShiftJisToEucJp(std::string_view sjis);
std::string EucJpToShiftJis(std::string_view euc);

// Single-byte text ends up in ASCII mode (ESC ( B) at the end.
std::string ShiftJisToIso2022Jp(std::string_view sjis);
// ESC ( I selects half-width katakana, ESC ( + any other byte single-byte
// text, ESC $ + any byte or ESC K double-byte text.
std::string Iso2022JpToShiftJis(std::string_view jis);

enum class Guess { kUnknown, kShiftJis, kEucJp, kIso2022Jp };

// The Japanese encoding `bytes` most likely use: ISO-2022-JP when they hold
// its escape sequences; otherwise whichever of Shift-JIS (lead bytes
// 0x81-0x9F, 0xE0-0xFC) and EUC-JP (0xA1-0xFE pairs, 0x8E kana) reads them
// without errors and with fewer codes outside the assigned JIS rows; kUnknown
// for 7-bit text without escapes and for ties.
Guess GuessEncoding(std::string_view bytes);

}  // namespace tess::japanese
