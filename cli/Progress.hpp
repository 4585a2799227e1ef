#pragma once
// Progress of a transfer on standard error. On a terminal it is one line,
// redrawn in place at most ten times a second: bytes, percentage, speed and
// time left. Elsewhere (a pipe, a log file) it is a plain line every second
// or so, and only when something moved.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace quillbox::cli {

/// The one place that writes to standard error while a status line may be
/// on screen: messages and diagnostic lines go above the status line, which
/// is then drawn again. Every text goes through forTerminal() on its way.
/// Safe to use from any thread.
class Console {
 public:
  Console(std::FILE* out, bool terminal);

  bool terminal() const { return terminal_; }
  /// Columns of the terminal (80 when it cannot be told).
  std::size_t width() const;

  /// A permanent line (without its newline).
  void line(std::string_view text);
  /// Replaces the status line (terminal) or writes it as a line (otherwise).
  void status(std::string_view text);
  /// Leaves the status line on screen and moves below it.
  void keepStatus();
  /// Removes the status line.
  void clearStatus();

 private:
  void eraseLocked();
  std::FILE* out_;
  bool terminal_;
  std::mutex mutex_;
  std::string status_;  // on screen now (terminal only)
};

/// What one progress line shows.
struct ProgressSnapshot {
  std::string label;
  std::optional<std::int64_t> bytes;  ///< absent when only a fraction is known
  std::optional<std::int64_t> total;  ///< absent when unknown
  std::optional<double> fraction;     ///< 0..1, absent when unknown
  std::optional<double> bytesPerSecond;
  std::optional<double> secondsLeft;
  /// Set on the final line: the time the transfer took, shown instead of the ETA.
  std::optional<double> elapsed;
};

/// The terminal form: "name  [#####-----]  45%  28.8 MiB / 64.0 MiB  95.2 MiB/s  ETA 0:01",
/// fitted into `width` columns (the bar shrinks first, then the name).
std::string renderBar(const ProgressSnapshot& s, std::size_t width);
/// The plain form: "name: 28.8 MiB of 64.0 MiB (45%), 95.2 MiB/s, 0:01 left".
std::string renderPlain(const ProgressSnapshot& s);

/// Tracks one transfer. update() may be called from any thread; tick() and
/// finish() from the thread that owns the meter.
class ProgressMeter {
 public:
  using Clock = std::chrono::steady_clock;

  ProgressMeter(Console& console, std::string label, std::optional<std::int64_t> total,
                Clock::time_point start = Clock::now());

  /// Bytes done so far; `now` is when they were counted.
  void update(std::int64_t bytes, Clock::time_point now = Clock::now());
  /// The fraction done, for transfers that report nothing else; with a
  /// known total it is turned into bytes.
  void updateFraction(double fraction, Clock::time_point now = Clock::now());
  void setTotal(std::int64_t total);
  /// Changes what the line is called (from the thread that owns the meter);
  /// the next tick() redraws it.
  void setLabel(std::string_view label);
  /// For a resumed transfer: the first update carries the bytes an earlier
  /// run fetched, which the final average speed leaves out.
  void averageFromFirstUpdate() { fromFirstUpdate_ = true; }

  /// Draws the line when it is due: at most every 100 ms on a terminal,
  /// every second otherwise, and only when something changed.
  void tick(Clock::time_point now = Clock::now());
  /// The last line, followed by `note` ("done", "interrupted" ...).
  void finish(std::string_view note, Clock::time_point now = Clock::now());

  ProgressSnapshot snapshot(Clock::time_point now);

 private:
  Console& console_;
  std::string label_;
  std::atomic<std::int64_t> total_;      // -1: unknown
  std::atomic<std::int64_t> bytes_{-1};  // -1: nothing yet
  std::atomic<double> fraction_{-1.0};
  Clock::time_point start_;
  std::optional<Clock::time_point> lastDraw_;
  std::int64_t drawnBytes_ = -2;
  double drawnFraction_ = -2.0;
  std::deque<std::pair<Clock::time_point, std::int64_t>> samples_;
  bool fromFirstUpdate_ = false;
  std::mutex firstMutex_;
  std::optional<std::pair<Clock::time_point, std::int64_t>> first_;  // the first update, guarded by firstMutex_
};

}  // namespace quillbox::cli
