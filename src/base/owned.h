// One owned reference to a reference-counted runtime value (a string, an
// object), given back when the holder goes.
#pragma once

#include <utility>

namespace tess {

template <typename T, void (*Unlock)(T*)>
class Owned {
 public:
  Owned() = default;
  // Takes over a reference the caller holds (a new value, an entry's result).
  static Owned Adopt(T* value) { return Owned(value); }
  Owned(Owned&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) {
      Unlock(value_);
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { Unlock(value_); }

  T* get() const { return value_; }
  // Hands the reference to the caller.
  T* Release() { return std::exchange(value_, nullptr); }

 private:
  explicit Owned(T* value) : value_(value) {}
  T* value_ = nullptr;
};

}  // namespace tess
