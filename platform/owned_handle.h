// Ownership of a handle that something must close: closed once, when the
// owner goes or is reset, on every path. Moves, never copies.
//   platform::Owned<ScHandle, CloseScHandle> service;   // nullptr when empty
// A Linux descriptor has its own owner, linuxbase::UniqueFd, which keeps
// errno across the close; this one refuses an int handle.
#pragma once

#include <type_traits>
#include <utility>

namespace platform {

template <typename Handle, auto Close, Handle kEmpty = Handle{}>
class Owned {
  static_assert(!std::is_same_v<Handle, int>, "a descriptor's owner is linuxbase::UniqueFd");

 public:
  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  ~Owned() { reset(); }
  Owned(Owned&& other) noexcept : handle_(other.release()) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != kEmpty; }
  // The slot for a call that makes the handle (closes what was held).
  Handle* out() {
    reset();
    return &handle_;
  }
  // Gives the handle up without closing it.
  Handle release() { return std::exchange(handle_, kEmpty); }
  void reset(Handle handle = kEmpty) {
    if (handle_ != kEmpty) Close(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = kEmpty;
};

}  // namespace platform
