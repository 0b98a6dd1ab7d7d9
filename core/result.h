// Errors a user can cause (a bad file, a bad argument, a disk that refuses a
// write) come back as values that carry a message naming the problem.
//
//   Status s = WriteSomething(path);
//   if (!s.ok()) ShowError(s.message());
//   Result<DealNumber> n = ParseDealNumber(text);
//   if (n.ok()) Use(*n);
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace tarrow {

class [[nodiscard]] Status {
 public:
  Status() = default;  // success
  static Status Error(std::string message) { return Status(std::move(message)); }

  bool ok() const noexcept { return !error_; }
  const std::string& message() const noexcept { return message_; }

 private:
  explicit Status(std::string message) : error_(true), message_(std::move(message)) {}
  bool error_ = false;
  std::string message_;
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status error) : status_(std::move(error)) { assert(!status_.ok()); }  // NOLINT

  bool ok() const noexcept { return value_.has_value(); }
  const Status& status() const noexcept { return status_; }
  const std::string& message() const noexcept { return status_.message(); }

  T& operator*() {
    assert(ok());
    return *value_;
  }
  const T& operator*() const {
    assert(ok());
    return *value_;
  }
  T* operator->() {
    assert(ok());
    return &*value_;
  }
  const T* operator->() const {
    assert(ok());
    return &*value_;
  }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace tarrow
