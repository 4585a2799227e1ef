#pragma once

namespace quillbox {

/// The handle of a running transfer. cancel() stops it; calling it again, or
/// after the transfer has ended, has no further effect on the outcome.
class Cancelable {
 public:
  virtual ~Cancelable() = default;
  /// Stops the transfer; returns at once, any thread. The transfer still
  /// reports its one outcome (a failure, unless it had already finished).
  virtual void cancel() = 0;
};

}  // namespace quillbox
