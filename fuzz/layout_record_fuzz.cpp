// Fuzz target: window layout records. The input is the record bytes; the
// block handed to the reader carries the input's own length as its count,
// so the fuzzer spends its time inside the stream, not on the count. A
// record either reads or is refused with a message; nothing may crash, and
// what is read can never hold more elements than the bytes could encode.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/layout_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> block = {uint8_t(size), uint8_t(size >> 8), uint8_t(size >> 16),
                                uint8_t(size >> 24)};
  block.insert(block.end(), data, data + size);
  tess::ui::WindowLayout layout;
  std::string message;
  if (!tess::ui::ReadWindowLayout(block, &layout, &message)) {
    if (message.empty()) std::abort();
    return 0;
  }
  size_t elements = layout.pairs.size() + layout.controls.size() + layout.bindings.size();
  for (const tess::ui::ControlLayout& c : layout.controls) elements += c.pairs.size();
  if (elements > size) std::abort();
  return 0;
}
