// The dump's view of the records a description lays out: the application
// descriptor, its class records and its project items, read from a built
// image's data segment with the fix-up stream telling addresses from numbers.
// Every read is bounds-checked; a malformed record ends its listing with a
// line that says so, never with a crash.
#pragma once

#include <string>

#include "builder.h"

namespace tess::imagetool {

// "descriptor: none\n" when data word 4 carries no data fix-up.
std::string DescribeRecords(const Image& image);

}  // namespace tess::imagetool
