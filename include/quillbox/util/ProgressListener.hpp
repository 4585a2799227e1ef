#pragma once

#include <cstdint>
#include <string>

namespace quillbox {

/// Byte progress of one part upload. `hash` is the part's key, `bytesWritten`
/// the bytes sent so far and `totalBytes` the bytes the part carries. Called
/// on an SDK worker thread, never on the transport's I/O thread; calls for one
/// part never overlap and arrive in order.
class ProgressListener {
 public:
  virtual ~ProgressListener() = default;
  /// `bytesWritten` of the `totalBytes` of the part keyed `hash` have been sent.
  virtual void onProgress(const std::string& hash, std::int64_t bytesWritten, std::int64_t totalBytes) = 0;
};

}  // namespace quillbox
