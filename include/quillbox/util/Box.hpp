#pragma once

#include <memory>
#include <utility>

namespace quillbox {

/// A heap-held value with value semantics: copying a Box copies the value.
/// Records that contain a record of their own type hold it through a Box.
template <class T>
class Box {
 public:
  Box() : ptr_(std::make_unique<T>()) {}
  Box(T value) : ptr_(std::make_unique<T>(std::move(value))) {}  // NOLINT: implicit by design
  Box(const Box& other) : ptr_(std::make_unique<T>(*other.ptr_)) {}
  Box(Box&& other) noexcept : ptr_(std::move(other.ptr_)) {}
  Box& operator=(const Box& other) {
    if (this != &other) ptr_ = std::make_unique<T>(*other.ptr_);
    return *this;
  }
  Box& operator=(Box&& other) noexcept {
    ptr_ = std::move(other.ptr_);
    return *this;
  }
  ~Box() = default;

  T& operator*() { return *ptr_; }
  const T& operator*() const { return *ptr_; }
  T* operator->() { return ptr_.get(); }
  const T* operator->() const { return ptr_.get(); }

  friend bool operator==(const Box& a, const Box& b) { return *a.ptr_ == *b.ptr_; }

 private:
  // Never null except after being moved from.
  std::unique_ptr<T> ptr_;
};

}  // namespace quillbox
