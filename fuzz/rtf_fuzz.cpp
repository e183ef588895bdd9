// Rich text read into a document holding text already, the document then
// written and read back: no crash, no leak, and what was written reads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/richedit/rtf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tess::richedit;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  TextModel model;
  model.Replace(0, 0, U"before\rafter", 0);
  size_t inserted = 0;
  std::string error;
  if (!ReadRtf(input, model, 3, 4, CharFormat{}, &inserted, &error)) return 0;
  std::string written = WriteRtf(model, 0, model.Length());
  TextModel again;
  if (!ReadRtf(written, again, 0, 0, CharFormat{}, &inserted, &error)) std::abort();
  if (again.Text() != model.Text()) std::abort();
  return 0;
}
