// The dump's view of the records a description lays out: the application
// descriptor, its class records and its project items, read from a built
// image's data segment with the fix-up stream telling addresses from numbers.
// Every read is bounds-checked; a malformed record ends its listing with a
// line that says so, never with a crash.
#pragma once

#include <cstdint>
#include <string>

#include "builder.h"

namespace tess::imagetool {

// "descriptor: none\n" when data word 4 carries no data fix-up. A menu bar
// item (kind 2) is listed entry by entry.
std::string DescribeRecords(const Image& image);

// The window layout block at data offset `offset`, pair by pair. Layouts
// are reached from code (the argument of RuntimeCreateWindow), not from the
// descriptor, so the dump lists one only when asked for its offset (the
// symbol map has it). A damaged layout is reported in the text.
std::string DescribeWindowLayout(const Image& image, uint32_t offset);

}  // namespace tess::imagetool
