// Owners for Win32 handles: one template, one traits type per kind of handle.
#pragma once

#include <windows.h>

#include <utility>

namespace platform {

template <typename Traits>
class UniqueAny {
 public:
  using Handle = typename Traits::Handle;

  UniqueAny() = default;
  explicit UniqueAny(Handle h) : h_(h) {}
  UniqueAny(UniqueAny&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    reset(std::exchange(other.h_, Traits::Invalid()));
    return *this;
  }
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  ~UniqueAny() { reset(); }

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  void reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Invalid();
};

struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::FindClose(h); }
};

using UniqueHandle = UniqueAny<FileHandleTraits>;
using UniqueFind = UniqueAny<FindHandleTraits>;

}  // namespace platform
