// What a reader of untrusted bytes hands back: the value it read, or the
// reason it refused the bytes. A refusal always carries its reason, so a
// caller (and a test) can tell a damaged file from a missing part.
#pragma once

#include <optional>
#include <utility>

namespace offline {

template <typename T, typename Reason>
class Parsed {
 public:
  Parsed(T value) : value_(std::move(value)) {}          // NOLINT: implicit, as a return value
  Parsed(Reason reason) : reason_(std::move(reason)) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }

  const T& operator*() const& { return *value_; }
  T& operator*() & { return *value_; }
  T&& operator*() && { return std::move(*value_); }
  const T* operator->() const { return &*value_; }
  T* operator->() { return &*value_; }

  // Why the bytes were refused; only meaningful when !ok().
  const Reason& reason() const { return reason_; }

 private:
  std::optional<T> value_;
  Reason reason_{};
};

}  // namespace offline
