#pragma once

namespace quillbox {

/// The handle of a running transfer. cancel() stops it; calling it again, or
/// after the transfer has ended, has no further effect on the outcome.
class Cancelable {
 public:
  virtual ~Cancelable() = default;
  virtual void cancel() = 0;
};

}  // namespace quillbox
