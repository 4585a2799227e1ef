#pragma once

#include <memory>
#include <utility>

namespace quillbox {

/// A heap-held value with value semantics: copying a Box copies the value.
/// Records that contain a record of their own type hold it through a Box.
template <class T>
class Box {
 public:
  /// A default-constructed value.
  Box() : ptr_(std::make_unique<T>()) {}
  /// Holds `value` (implicit, so a record converts to a Box of it).
  Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}  // NOLINT: implicit by design
  /// Copies the held value.
  Box(const Box& other) : ptr_(std::make_unique<T>(*other.ptr_)) {}
  /// Takes the other's value; the other may then only be assigned to or destroyed.
  Box(Box&& other) noexcept : ptr_(std::move(other.ptr_)) {}
  /// Copies the held value.
  Box& operator=(const Box& other) {
    if (this != &other) ptr_ = std::make_unique<T>(*other.ptr_);
    return *this;
  }
  /// Takes the other's value; the other may then only be assigned to or destroyed.
  Box& operator=(Box&& other) noexcept {
    ptr_ = std::move(other.ptr_);
    return *this;
  }
  ~Box() = default;

  /// The held value.
  /// @{
  T& operator*() { return *ptr_; }
  const T& operator*() const { return *ptr_; }
  T* operator->() { return ptr_.get(); }
  const T* operator->() const { return ptr_.get(); }
  /// @}

  /// Compares the held values.
  friend bool operator==(const Box& a, const Box& b) { return *a.ptr_ == *b.ptr_; }

 private:
  // Never null except after being moved from.
  std::unique_ptr<T> ptr_;
};

}  // namespace quillbox
