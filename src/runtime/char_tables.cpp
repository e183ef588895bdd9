#include "runtime/char_tables.h"

#include <mutex>

#include "platform/kernel/codepage.h"

namespace tess {

namespace {

void Build(CharTables* t) {
  t->doubleByte = false;
  for (int b = 0; b < 256; ++b) {
    t->leadByte[b] = platform::IsDBCSLeadByte(uint8_t(b)) ? 1 : 0;
    t->doubleByte = t->doubleByte || t->leadByte[b];
  }
  for (int b = 0; b < 256; ++b) {
    t->upper[b] = t->lower[b] = uint8_t(b);
    t->blank[b] = 0;
    t->isUpper[b] = 0;
  }
  if (t->doubleByte) return;
  for (int b = 0; b < 256; ++b) {
    char c = char(b);
    platform::CharUpperBuff(&c, 1);
    t->upper[b] = uint8_t(c);
    c = char(b);
    platform::CharLowerBuff(&c, 1);
    t->lower[b] = uint8_t(c);
    c = char(b);
    uint16_t type = platform::GetCharType(std::string_view(&c, 1));
    t->blank[b] = (type & (platform::C1_SPACE | platform::C1_BLANK)) ? 1 : 0;
    t->isUpper[b] = (type & platform::C1_UPPER) ? 1 : 0;
  }
}

}  // namespace

const CharTables& Tables() {
  static CharTables tables;
  static uint32_t builtFor = 0;
  static std::mutex lock;
  uint32_t codePage = platform::GetACP();
  std::lock_guard<std::mutex> guard(lock);
  if (builtFor != codePage) {
    Build(&tables);
    builtFor = codePage;
  }
  return tables;
}

}  // namespace tess
