#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "quillbox/util/ProgressListener.hpp"

namespace quillbox::util {

/// A ProgressListener that forwards every report, unchanged and on the
/// calling thread, to a closure. `callback` names the object the reports are
/// for; it is held weakly and not consulted.
class ProgressHandler final : public ProgressListener {
 public:
  using Closure = std::function<void(const std::string& hash, std::int64_t bytesWritten, std::int64_t totalBytes)>;

  ProgressHandler(std::weak_ptr<void> callback, Closure progressClosure)
      : callback(std::move(callback)), progressClosure(std::move(progressClosure)) {}

  void onProgress(const std::string& hash, std::int64_t bytesWritten, std::int64_t totalBytes) override {
    if (progressClosure) progressClosure(hash, bytesWritten, totalBytes);
  }

  const std::weak_ptr<void> callback;
  const Closure progressClosure;
};

}  // namespace quillbox::util
