// The stream classes, their records and entry points. Objects hold a
// BufferedStream (owned) that Close and the destructor close; without one
// every read gives its zero value and every write does nothing.
#include "files/streams.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "files/buffered_stream.h"
#include "platform/windef.h"
#include "runtime/class_registry.h"
#include "runtime/exceptions.h"
#include "runtime/objects.h"
#include "runtime/raise.h"
#include "runtime/string_value.h"
#include "tessera/runtime.h"
#include "values/class_members.h"

namespace tess {

namespace {

using files::BufferedStream;

constexpr size_t kLineBuffer = 1024;

struct TextReader {
  explicit TextReader(std::unique_ptr<db::ByteStream> inner) : stream(std::move(inner)) {}
  BufferedStream stream;
  uint8_t buffer[kLineBuffer];
  size_t position = 0;
  size_t fill = 0;
};

struct TextInputObject {
  ObjectHeader header;
  TextReader* reader;
  int32_t lastError;
};

struct TextOutputObject {
  ObjectHeader header;
  BufferedStream* stream;
  TessString* delimiter;
  int32_t lastError;
};

struct BinaryObject {
  ObjectHeader header;
  BufferedStream* stream;
  uint8_t littleEndian;
  int32_t lastError;
};

#if defined(__i386__)
static_assert(offsetof(TextInputObject, reader) == 16);
static_assert(offsetof(TextInputObject, lastError) == 20);
static_assert(offsetof(TextOutputObject, delimiter) == 20);
static_assert(offsetof(TextOutputObject, lastError) == 24);
static_assert(offsetof(BinaryObject, littleEndian) == 20);
static_assert(offsetof(BinaryObject, lastError) == 24);
#endif

ClassObject* g_textInput = nullptr;
ClassObject* g_textOutput = nullptr;
ClassObject* g_binary = nullptr;

template <typename T>
T* Checked(TessObject* object) {
  if (!object) Raise(RuntimeError::kNilObject);
  return reinterpret_cast<T*>(object);
}

// ---- TextInputStream

bool Refill(TextReader* r) {
  size_t got = 0;
  r->stream.Read(r->buffer, kLineBuffer, &got);
  r->position = 0;
  r->fill = got;
  return got > 0;
}

// The next line as a new string. A line that lies wholly in the buffer
// (the common case) is copied once, straight into the string.
TessString* ReadLine(TextReader* r) {
  std::string line;
  for (;;) {
    const uint8_t* start = r->buffer + r->position;
    const uint8_t* end = r->buffer + r->fill;
    // The first CR or LF: two library scans beat one loop testing both.
    auto* lf = static_cast<const uint8_t*>(std::memchr(start, 10, size_t(end - start)));
    const uint8_t* limit = lf ? lf : end;
    auto* cr = static_cast<const uint8_t*>(std::memchr(start, 13, size_t(limit - start)));
    const uint8_t* stop = cr ? cr : limit;
    std::string_view piece(reinterpret_cast<const char*>(start), size_t(stop - start));
    r->position = size_t(stop - r->buffer);
    if (stop == end) {
      line.append(piece);
      if (r->stream.AtEnd() || !Refill(r)) return MakeString(line);
      continue;
    }
    TessString* result = line.empty() ? MakeString(piece) : MakeString(line.append(piece));
    uint8_t terminator = *stop;
    ++r->position;
    if (terminator == 13) {
      if (r->position == r->fill) Refill(r);
      if (r->position < r->fill && r->buffer[r->position] == 10) ++r->position;
    }
    return result;
  }
}

std::string ReadAll(TextReader* r) {
  std::string all(reinterpret_cast<const char*>(r->buffer + r->position), r->fill - r->position);
  r->position = r->fill = 0;
  char chunk[BufferedStream::kBufferSize];
  for (;;) {
    size_t got = 0;
    r->stream.Read(chunk, sizeof chunk, &got);
    if (got == 0) break;
    all.append(chunk, got);
  }
  return all;
}

void CloseReader(TextInputObject* o) {
  delete o->reader;
  o->reader = nullptr;
}

// ---- Writing, shared by both output classes

void NoteError(BufferedStream* s, int32_t* lastError) {
  if (s && s->error()) *lastError = int32_t(s->error());
}

void WriteBytes(BufferedStream* s, int32_t* lastError, std::string_view bytes) {
  if (!s) return;
  s->Write(bytes.data(), bytes.size());
  NoteError(s, lastError);
}

void CloseStream(BufferedStream** s, int32_t* lastError) {
  if (!*s) return;
  (*s)->Close();
  NoteError(*s, lastError);
  delete *s;
  *s = nullptr;
}

// ---- BinaryStream

template <typename T>
T ReadValue(TessObject* object) {
  BinaryObject* b = Checked<BinaryObject>(object);
  uint8_t bytes[sizeof(T)];
  size_t got = 0;
  if (!b->stream || !b->stream->Read(bytes, sizeof bytes, &got) || got < sizeof bytes) return T();
  if (!b->littleEndian) std::reverse(bytes, bytes + sizeof bytes);
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

template <typename T>
void WriteValue(TessObject* object, T value) {
  BinaryObject* b = Checked<BinaryObject>(object);
  uint8_t bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof value);
  if (!b->littleEndian) std::reverse(bytes, bytes + sizeof bytes);
  WriteBytes(b->stream, &b->lastError,
             std::string_view(reinterpret_cast<char*>(bytes), sizeof bytes));
}

// ---- Records

const ParameterRecord kLine[] = {{"Line", &kStringType, {}}};
const ParameterRecord kText[] = {{"Text", &kStringType, {}}};
const ParameterRecord kValue[] = {{"Value", &kIntegerType, {}}};
const ParameterRecord kDoubleValue[] = {{"Value", &kDoubleType, {}}};
const ParameterRecord kBooleanValue[] = {{"Value", &kBooleanType, {}}};
const ParameterRecord kStringValue[] = {{"Value", &kStringType, {}}};
const ParameterRecord kCount[] = {{"Count", &kIntegerType, {}}};

const PropertyRecord kInputProperties[] = {
    {0, "EOF", &kBooleanType, (void*)&TextInputStreamEOF, nullptr, 0},
    {0, "LastErrorCode", &kIntegerType, (void*)&intGetter, nullptr,
     offsetof(TextInputObject, lastError)},
};
const MethodRecord kInputMethods[] = {
    Method("ReadLine", &kStringType, nullptr, 0, (void*)&TextInputStreamReadLine),
    Method("ReadAll", &kStringType, nullptr, 0, (void*)&TextInputStreamReadAll),
    Method("Close", nullptr, nullptr, 0, (void*)&TextInputStreamClose),
};

const PropertyRecord kOutputProperties[] = {
    {0, "Delimiter", &kStringType, (void*)&stringGetter, (void*)&stringSetter,
     offsetof(TextOutputObject, delimiter)},
    {0, "LastErrorCode", &kIntegerType, (void*)&intGetter, nullptr,
     offsetof(TextOutputObject, lastError)},
};
const MethodRecord kOutputMethods[] = {
    Method("WriteLine", nullptr, kLine, 1, (void*)&TextOutputStreamWriteLine),
    Method("Write", nullptr, kText, 1, (void*)&TextOutputStreamWrite),
    Method("Close", nullptr, nullptr, 0, (void*)&TextOutputStreamClose),
};

const PropertyRecord kBinaryProperties[] = {
    {0, "LittleEndian", &kBooleanType, (void*)&boolGetter, (void*)&boolSetter,
     offsetof(BinaryObject, littleEndian)},
    {0, "EOF", &kBooleanType, (void*)&BinaryStreamEOF, nullptr, 0},
    {0, "Length", &kIntegerType, (void*)&BinaryStreamGetLength, (void*)&BinaryStreamSetLength, 0},
    {0, "Position", &kIntegerType, (void*)&BinaryStreamGetPosition, (void*)&BinaryStreamSetPosition,
     0},
    {0, "LastErrorCode", &kIntegerType, (void*)&intGetter, nullptr,
     offsetof(BinaryObject, lastError)},
};
const MethodRecord kBinaryMethods[] = {
    Method("ReadByte", &kIntegerType, nullptr, 0, (void*)&BinaryStreamReadByte),
    Method("ReadShort", &kIntegerType, nullptr, 0, (void*)&BinaryStreamReadShort),
    Method("ReadLong", &kIntegerType, nullptr, 0, (void*)&BinaryStreamReadLong),
    Method("ReadSingle", &kDoubleType, nullptr, 0, (void*)&BinaryStreamReadFloat),
    Method("ReadDouble", &kDoubleType, nullptr, 0, (void*)&BinaryStreamReadDouble),
    Method("ReadBoolean", &kBooleanType, nullptr, 0, (void*)&BinaryStreamReadBoolean),
    Method("ReadPString", &kStringType, nullptr, 0, (void*)&BinaryStreamReadPString),
    Method("Read", &kStringType, kCount, 1, (void*)&BinaryStreamRead),
    Method("WriteByte", nullptr, kValue, 1, (void*)&BinaryStreamWriteByte),
    Method("WriteShort", nullptr, kValue, 1, (void*)&BinaryStreamWriteShort),
    Method("WriteLong", nullptr, kValue, 1, (void*)&BinaryStreamWriteLong),
    Method("WriteSingle", nullptr, kDoubleValue, 1, (void*)&BinaryStreamWriteFloat),
    Method("WriteDouble", nullptr, kDoubleValue, 1, (void*)&BinaryStreamWriteDouble),
    Method("WriteBoolean", nullptr, kBooleanValue, 1, (void*)&BinaryStreamWriteBoolean),
    Method("WritePString", nullptr, kStringValue, 1, (void*)&BinaryStreamWritePString),
    Method("Write", nullptr, kText, 1, (void*)&BinaryStreamWrite),
    Method("Close", nullptr, nullptr, 0, (void*)&BinaryStreamClose),
};

ClassObject* Build(const char* name, int32_t size, ClassRoutine destruct,
                   std::span<const PropertyRecord> properties,
                   std::span<const MethodRecord> methods) {
  FrameworkClassDef def{};
  def.name = name;
  def.superclass = RootClass();
  def.instanceSize = size;
  def.destruct = destruct;
  def.properties = properties;
  def.methods = methods;
  return BuildFrameworkClass(def);
}

}  // namespace

void InitStreamClasses() {
  if (g_textInput) return;
  g_textInput = Build(
      "TextInputStream", sizeof(TextInputObject),
      [](TessObject* o, ClassObject*) { CloseReader(reinterpret_cast<TextInputObject*>(o)); },
      kInputProperties, kInputMethods);
  g_textOutput = Build(
      "TextOutputStream", sizeof(TextOutputObject),
      [](TessObject* o, ClassObject*) {
        auto* t = reinterpret_cast<TextOutputObject*>(o);
        CloseStream(&t->stream, &t->lastError);
        UnlockString(t->delimiter);
        t->delimiter = nullptr;
      },
      kOutputProperties, kOutputMethods);
  g_binary = Build(
      "BinaryStream", sizeof(BinaryObject),
      [](TessObject* o, ClassObject*) {
        auto* b = reinterpret_cast<BinaryObject*>(o);
        CloseStream(&b->stream, &b->lastError);
      },
      kBinaryProperties, kBinaryMethods);
}

ClassObject* TextInputStreamClass() {
  return g_textInput;
}
ClassObject* TextOutputStreamClass() {
  return g_textOutput;
}
ClassObject* BinaryStreamClass() {
  return g_binary;
}

TessObject* NewTextInputStream(std::unique_ptr<db::ByteStream> inner) {
  if (!inner) return nullptr;
  TessObject* object = CreateObject(g_textInput);
  reinterpret_cast<TextInputObject*>(object)->reader = new TextReader(std::move(inner));
  return object;
}

TessObject* NewTextOutputStream(std::unique_ptr<db::ByteStream> inner) {
  if (!inner) return nullptr;
  TessObject* object = CreateObject(g_textOutput);
  reinterpret_cast<TextOutputObject*>(object)->stream = new BufferedStream(std::move(inner));
  return object;
}

TessObject* NewBinaryStream(std::unique_ptr<db::ByteStream> inner) {
  if (!inner) return nullptr;
  TessObject* object = CreateObject(g_binary);
  reinterpret_cast<BinaryObject*>(object)->stream = new BufferedStream(std::move(inner));
  return object;
}

}  // namespace tess

using tess::AtEntry;
using tess::BinaryObject;
using tess::Checked;
using tess::MakeString;
using tess::TextInputObject;
using tess::TextOutputObject;
using tess::View;

extern "C" {

// ---- TextInputStream

int32_t TextInputStreamEOF(TessObject* stream, uint32_t) {
  return AtEntry([&] {
    TextInputObject* t = Checked<TextInputObject>(stream);
    // A closed stream has nothing more to read: a read loop ends.
    if (!t->reader) return 1;
    if (t->reader->position < t->reader->fill) return 0;
    return t->reader->stream.AtEnd() ? 1 : 0;
  });
}

TessString* TextInputStreamReadLine(TessObject* stream) {
  return AtEntry([&] {
    TextInputObject* t = Checked<TextInputObject>(stream);
    return t->reader ? tess::ReadLine(t->reader) : nullptr;
  });
}

TessString* TextInputStreamReadAll(TessObject* stream) {
  return AtEntry([&] {
    TextInputObject* t = Checked<TextInputObject>(stream);
    return t->reader ? MakeString(tess::ReadAll(t->reader)) : nullptr;
  });
}

void TextInputStreamClose(TessObject* stream) {
  AtEntry([&] { tess::CloseReader(Checked<TextInputObject>(stream)); });
}

// ---- TextOutputStream

void TextOutputStreamWriteLine(TessObject* stream, TessString* line) {
  AtEntry([&] {
    TextOutputObject* t = Checked<TextOutputObject>(stream);
    tess::WriteBytes(t->stream, &t->lastError, View(line));
    std::string_view delimiter = t->delimiter ? View(t->delimiter) : std::string_view("\r\n");
    tess::WriteBytes(t->stream, &t->lastError, delimiter);
  });
}

void TextOutputStreamWrite(TessObject* stream, TessString* text) {
  AtEntry([&] {
    TextOutputObject* t = Checked<TextOutputObject>(stream);
    tess::WriteBytes(t->stream, &t->lastError, View(text));
  });
}

void TextOutputStreamClose(TessObject* stream) {
  AtEntry([&] {
    TextOutputObject* t = Checked<TextOutputObject>(stream);
    tess::CloseStream(&t->stream, &t->lastError);
  });
}

// ---- BinaryStream

int32_t BinaryStreamEOF(TessObject* stream, uint32_t) {
  return AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    return !b->stream || b->stream->AtEnd() ? 1 : 0;
  });
}

int32_t BinaryStreamGetLength(TessObject* stream, uint32_t) {
  return AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    return b->stream ? int32_t(std::min<uint64_t>(b->stream->Length(), INT32_MAX)) : 0;
  });
}

void BinaryStreamSetLength(TessObject* stream, uint32_t, int32_t length) {
  AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    if (!b->stream) return;
    if (length < 0) {
      b->lastError = int32_t(tess::platform::ERROR_INVALID_PARAMETER);
      return;
    }
    b->stream->SetLength(uint64_t(length));
    tess::NoteError(b->stream, &b->lastError);
  });
}

int32_t BinaryStreamGetPosition(TessObject* stream, uint32_t) {
  return AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    return b->stream ? int32_t(std::min<uint64_t>(b->stream->Position(), INT32_MAX)) : 0;
  });
}

void BinaryStreamSetPosition(TessObject* stream, uint32_t, int32_t position) {
  AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    if (!b->stream) return;
    if (position < 0) {
      b->lastError = int32_t(tess::platform::ERROR_INVALID_PARAMETER);
      return;
    }
    b->stream->SetPosition(uint64_t(position));
  });
}

int32_t BinaryStreamReadByte(TessObject* stream) {
  return AtEntry([&] { return int32_t(tess::ReadValue<uint8_t>(stream)); });
}
int32_t BinaryStreamReadShort(TessObject* stream) {
  return AtEntry([&] { return int32_t(tess::ReadValue<int16_t>(stream)); });
}
int32_t BinaryStreamReadLong(TessObject* stream) {
  return AtEntry([&] { return tess::ReadValue<int32_t>(stream); });
}
double BinaryStreamReadFloat(TessObject* stream) {
  return AtEntry([&] { return double(tess::ReadValue<float>(stream)); });
}
double BinaryStreamReadDouble(TessObject* stream) {
  return AtEntry([&] { return tess::ReadValue<double>(stream); });
}
int32_t BinaryStreamReadBoolean(TessObject* stream) {
  return AtEntry([&] { return tess::ReadValue<uint8_t>(stream) != 0 ? 1 : 0; });
}

TessString* BinaryStreamReadPString(TessObject* stream) {
  return AtEntry([&]() -> TessString* {
    BinaryObject* b = Checked<BinaryObject>(stream);
    uint8_t length = 0;
    size_t got = 0;
    if (!b->stream || !b->stream->Read(&length, 1, &got) || got < 1) return nullptr;
    char bytes[255];
    if (!b->stream->Read(bytes, length, &got) || got < length) return nullptr;
    return MakeString(std::string_view(bytes, length));
  });
}

TessString* BinaryStreamRead(TessObject* stream, int32_t count) {
  return AtEntry([&]() -> TessString* {
    BinaryObject* b = Checked<BinaryObject>(stream);
    if (!b->stream || count < 1) return nullptr;
    // No more than what is left, so a huge count never asks for memory
    // the file cannot fill.
    uint64_t length = b->stream->Length(), position = b->stream->Position();
    uint64_t left = position < length ? length - position : 0;
    size_t want = size_t(std::min<uint64_t>(uint64_t(count), left));
    if (want == 0) return nullptr;
    TessString* s = tess::AllocateString(int64_t(want));
    if (!s) return nullptr;
    size_t got = 0;
    b->stream->Read(s->buffer + 1, want, &got);
    if (got == want) return s;
    TessString* shorter = tess::Substring(s, 0, int64_t(got));
    tess::UnlockString(s);
    return shorter;
  });
}

void BinaryStreamWriteByte(TessObject* stream, int32_t value) {
  AtEntry([&] { tess::WriteValue<uint8_t>(stream, uint8_t(value)); });
}
void BinaryStreamWriteShort(TessObject* stream, int32_t value) {
  AtEntry([&] { tess::WriteValue<int16_t>(stream, int16_t(value)); });
}
void BinaryStreamWriteLong(TessObject* stream, int32_t value) {
  AtEntry([&] { tess::WriteValue<int32_t>(stream, value); });
}
void BinaryStreamWriteFloat(TessObject* stream, double value) {
  AtEntry([&] { tess::WriteValue<float>(stream, float(value)); });
}
void BinaryStreamWriteDouble(TessObject* stream, double value) {
  AtEntry([&] { tess::WriteValue<double>(stream, value); });
}
void BinaryStreamWriteBoolean(TessObject* stream, int32_t value) {
  AtEntry([&] { tess::WriteValue<uint8_t>(stream, uint8_t(value ? 1 : 0)); });
}

void BinaryStreamWritePString(TessObject* stream, TessString* value) {
  AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    std::string_view bytes = View(value).substr(0, 255);
    char length = char(bytes.size());
    tess::WriteBytes(b->stream, &b->lastError, std::string_view(&length, 1));
    tess::WriteBytes(b->stream, &b->lastError, bytes);
  });
}

void BinaryStreamWrite(TessObject* stream, TessString* text) {
  AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    tess::WriteBytes(b->stream, &b->lastError, View(text));
  });
}

void BinaryStreamClose(TessObject* stream) {
  AtEntry([&] {
    BinaryObject* b = Checked<BinaryObject>(stream);
    tess::CloseStream(&b->stream, &b->lastError);
  });
}

}  // extern "C"
