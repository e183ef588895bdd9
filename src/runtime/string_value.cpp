#include "runtime/string_value.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel/codepage.h"
#include "platform/kernel/locale.h"
#include "runtime/alerts.h"
#include "runtime/heap.h"
#include "tessera/runtime.h"

namespace tess {

namespace {
uint8_t g_emptyText[2] = {0, 0};  // length byte and NUL of the empty string
}  // namespace

std::recursive_mutex& StringLock() {
  static std::recursive_mutex lock;
  return lock;
}

TessString* AllocateString(int64_t length, uint32_t encoding) {
  if (length < 1) return nullptr;
  if (length > INT32_MAX - 2) OutOfMemory();
  std::lock_guard<std::recursive_mutex> guard(StringLock());
  auto* s = static_cast<TessString*>(HeapAllocate(sizeof(TessString)));
  size_t size = size_t(length) + 2;
  s->buffer = static_cast<uint8_t*>(HeapAllocate(size));
  s->refCount = 1;
  s->bufferSize = uint32_t(size);
  s->length = int32_t(length);
  s->encoding = encoding;
  s->buffer[0] = uint8_t(std::min<int64_t>(length, 255));
  s->buffer[size - 1] = 0;
  return s;
}

TessString* MakeString(std::string_view bytes, uint32_t encoding) {
  TessString* s = AllocateString(int64_t(bytes.size()), encoding);
  if (s) std::memcpy(s->buffer + 1, bytes.data(), bytes.size());
  return s;
}

void LockString(TessString* s) {
  if (!s) return;
  std::lock_guard<std::recursive_mutex> guard(StringLock());
  if (s->refCount == 0) {
    InternalAssertion(kFailedCheck, kSourceString, __LINE__);
    return;
  }
  ++s->refCount;
}

void UnlockString(TessString* s) {
  if (!s) return;
  std::lock_guard<std::recursive_mutex> guard(StringLock());
  if (s->refCount == 0) {
    InternalAssertion(kFailedCheck, kSourceString, __LINE__);
    return;
  }
  if (--s->refCount == 0) {
    HeapFree(s->buffer, s->bufferSize);
    HeapFree(s, sizeof(TessString));
  }
}

TessString* Share(TessString* s) {
  LockString(s);
  return s;
}

uint32_t CombineEncodings(uint32_t a, uint32_t b) {
  auto unicode16 = [](uint32_t e) { return e >= 0x100 && e <= 0x1FF; };
  auto asciiOrUtf8 = [](uint32_t e) { return e == kEncodingAsciiTag || e == kEncodingUtf8; };
  if (a == b) return a;
  if (asciiOrUtf8(a) && asciiOrUtf8(b)) return kEncodingUtf8;
  if (a == kEncodingAsciiTag && !unicode16(b)) return b;
  if (b == kEncodingAsciiTag && !unicode16(a)) return a;
  return kEncodingNone;
}

TessString* Concatenate(TessString* a, TessString* b) {
  if (Length(b) == 0) return Share(a);
  if (Length(a) == 0) return Share(b);
  TessString* s =
      AllocateString(int64_t(a->length) + b->length, CombineEncodings(a->encoding, b->encoding));
  std::memcpy(s->buffer + 1, a->buffer + 1, size_t(a->length));
  std::memcpy(s->buffer + 1 + a->length, b->buffer + 1, size_t(b->length));
  return s;
}

int CompareLocale(const TessString* a, const TessString* b, bool ignoreCase) {
  int result =
      platform::CompareStringA(ignoreCase ? platform::NORM_IGNORECASE : 0, View(a), View(b));
  if (result == platform::CSTR_LESS_THAN) return -1;
  if (result == platform::CSTR_GREATER_THAN) return 1;
  if (result != platform::CSTR_EQUAL) return 0;
  return Length(a) < Length(b) ? -1 : Length(a) > Length(b) ? 1 : 0;
}

int CompareBytes(const TessString* a, const TessString* b) {
  std::string_view x = View(a), y = View(b);
  size_t n = std::min(x.size(), y.size());
  int c = n ? std::memcmp(x.data(), y.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
}

uint8_t* WritableChar(TessString** s, int32_t index) {
  std::lock_guard<std::recursive_mutex> guard(StringLock());
  TessString* current = *s;
  if (!current) {
    if (index != 0) InternalAssertion(kFailedCheck, kSourceString, __LINE__);
    g_emptyText[1] = 0;
    return &g_emptyText[1];
  }
  if (index < 0 || index >= current->length) {
    InternalAssertion(kFailedCheck, kSourceString, __LINE__);
    return nullptr;
  }
  if (current->refCount != 1) {
    TessString* copy = MakeString(View(current), current->encoding);
    UnlockString(current);
    *s = current = copy;
  }
  return current->buffer + 1 + index;
}

TessString* StringFromWide(const char16_t* text) {
  if (!text) return nullptr;
  std::u16string_view wide(text);
  return MakeString(platform::WideToMultiByte(platform::CP_ACP, wide));
}

std::u16string WideCopy(const TessString* s) {
  return platform::MultiByteToWide(platform::CP_ACP, View(s));
}

StaticString::StaticString(std::string_view text) {
  buffer_.push_back(char(std::min<size_t>(text.size(), 255)));
  buffer_.append(text);
  buffer_.push_back('\0');
  value_ = TessString{1, reinterpret_cast<uint8_t*>(buffer_.data()), uint32_t(text.size()),
                      int32_t(text.size()), kEncodingNone};
}

}  // namespace tess

using tess::View;

extern "C" {

void tessLockStringCore(TessString* s) {
  tess::LockString(s);
}
void tessUnlockStringCore(TessString* s) {
  tess::UnlockString(s);
}

void RuntimeLockUnlockStrings(TessString* newValue, TessString* oldValue) {
  if (newValue == oldValue) return;
  tess::LockString(newValue);
  tess::UnlockString(oldValue);
}

TessString* RuntimeAddString(TessString* a, TessString* b) {
  return tess::Concatenate(a, b);
}

int32_t RuntimeStringCompare(TessString* a, TessString* b) {
  if (a == b) return 0;
  return tess::CompareLocale(a, b, true);
}

int32_t StringStrCompare(TessString* a, TessString* b, int32_t mode) {
  return mode == 0 ? tess::CompareBytes(a, b) : tess::CompareLocale(a, b, false);
}

TessString* TessBuildString(const void* bytes, int32_t length) {
  if (!bytes || length < 1) return nullptr;
  return tess::MakeString(std::string_view(static_cast<const char*>(bytes), size_t(length)));
}

void TessLockString(TessString* s) {
  tess::LockString(s);
}
void TessUnlockString(TessString* s) {
  tess::UnlockString(s);
}

uint32_t TessGetStringEncoding(TessString* s) {
  return s ? s->encoding : tess::kEncodingAsciiTag;
}

void TessSetStringEncoding(TessString* s, uint32_t encoding) {
  if (s) s->encoding = encoding;
}

}  // extern "C"
