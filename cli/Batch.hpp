#pragma once
// Many transfers at once: a fixed number of worker threads take the items in
// order, one overall progress line shows files and bytes done, and Ctrl-C
// cancels what runs and starts nothing more. Each item's outcome is kept for
// the summary.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <quillbox/download/Cancelable.hpp>

#include "Progress.hpp"

namespace quillbox::cli {

class InterruptScope;

struct BatchOutcome {
  enum class Kind { done, failed, cancelled, notStarted };
  Kind kind = Kind::notStarted;
  std::string detail;  ///< what happened ("success", "rapid success" ...) or why it failed
};

/// What a running item sees of the batch. Used from the item's worker thread.
class BatchSlot {
 public:
  /// Bytes of this item moved so far.
  void progress(std::int64_t bytes) { bytes_.store(bytes); }
  /// Keeps the running transfer so that Ctrl-C can cancel it. Returns false
  /// when the batch is already stopping: the caller cancels it itself.
  bool hold(std::shared_ptr<Cancelable> transfer);
  void release();
  bool stopping() const { return stopping_->load(); }

 private:
  friend struct BatchState;
  std::atomic<std::int64_t> bytes_{0};
  std::mutex mutex_;
  std::shared_ptr<Cancelable> held_;
  const std::atomic<bool>* stopping_ = nullptr;
};

struct BatchItem {
  std::string label;  ///< names the item in messages
  std::int64_t size = 0;
  /// Runs the transfer on a worker thread and returns its outcome (done,
  /// failed or cancelled). An exception counts as a failure.
  std::function<BatchOutcome(BatchSlot&)> run;
};

struct BatchReport {
  std::vector<BatchOutcome> outcomes;  ///< one per item, in the items' order
  bool interrupted = false;
  std::size_t done = 0, failed = 0;
  std::int64_t bytes = 0;  ///< of the items done
  double seconds = 0;
};

/// Runs `items` with `transfers` at once (at least 1). A failure is shown as
/// a line as soon as it happens ("failed: <label>: <why>"); the overall
/// line is "<done>/<total> files" followed by bytes, speed and time left.
BatchReport runBatch(Console& console, std::vector<BatchItem>& items, int transfers, InterruptScope& interrupt);

/// "12 files (3.4 MiB) in 0:02" and, when some failed or were not started,
/// what they were.
std::string batchSummary(const std::string& verb, const BatchReport& report);

}  // namespace quillbox::cli
