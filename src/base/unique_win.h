// Owners of Windows handles: each closes its handle when it goes, and can
// be moved but not copied.
#pragma once

#include <windows.h>

#include <utility>

namespace tapvero::base {

// Traits: the handle type, its "no handle" value and how it is closed.
template <typename Traits>
class Unique {
 public:
  using Type = typename Traits::Type;

  Unique() = default;
  explicit Unique(Type handle) : handle_(handle) {}
  ~Unique() {
    if (*this) Traits::close(handle_);
  }
  Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, Traits::none())) {}
  Unique& operator=(Unique&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Type get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::none(); }

 private:
  Type handle_ = Traits::none();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static HANDLE none() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};

// CreateFile says "no file" with INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
  using Type = HANDLE;
  static HANDLE none() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};

struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static HGDIOBJ none() { return nullptr; }
  static void close(HGDIOBJ object) { DeleteObject(object); }
};

using UniqueHandle = Unique<KernelHandleTraits>;
using UniqueFile = Unique<FileHandleTraits>;
using GdiObject = Unique<GdiObjectTraits>;

}  // namespace tapvero::base
