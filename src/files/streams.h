// The language's file streams: TextInputStream, TextOutputStream and
// BinaryStream, each over a buffered internal stream that it owns.
//
// Text is bytes: lines are read and written as the bytes of the strings,
// whatever their encoding, and read lines carry no encoding tag. A line ends
// at CR, LF or CR LF (so LF CR ends one line and starts an empty one); the
// written delimiter is CR LF unless `Delimiter` says otherwise.
//
// Failures: reads that come up short give 0, 0.0, False or the empty string;
// a failed write (a full disk, say) is kept in the stream's LastErrorCode
// (the platform's error code, 0 while all is well), is also reported by
// writes buffered before it once they reach the file, and refuses later
// writes. Every stream is closed, its bytes written, by Close, when the
// object goes away, and when the application quits.
#pragma once

#include <cstdint>
#include <memory>

#include "db/stream.h"
#include "runtime/object_layout.h"

namespace tess {

void InitStreamClasses();
ClassObject* TextInputStreamClass();
ClassObject* TextOutputStreamClass();
ClassObject* BinaryStreamClass();

// New stream objects (count 1) over `inner`, which they own; null for null.
TessObject* NewTextInputStream(std::unique_ptr<db::ByteStream> inner);
TessObject* NewTextOutputStream(std::unique_ptr<db::ByteStream> inner);
TessObject* NewBinaryStream(std::unique_ptr<db::ByteStream> inner);

}  // namespace tess
