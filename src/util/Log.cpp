#include "util/Log.hpp"

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace quillbox {

namespace {

void writeToStdout(LogLevel, std::string_view line) {
  // One fwrite per line keeps lines from different threads whole.
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line).push_back('\n');
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

struct SinkHolder {
  std::mutex mutex;
  std::shared_ptr<const LevelledLogSink> sink = std::make_shared<const LevelledLogSink>(writeToStdout);
  LogLevel level = LogLevel::debug;
  // The highest level written, or -1 while the sink is empty: the one value
  // a call site reads before it formats a line. Written under the mutex.
  std::atomic<int> threshold{static_cast<int>(LogLevel::debug)};

  void install(std::shared_ptr<const LevelledLogSink> next) {
    std::lock_guard lock(mutex);
    sink = std::move(next);
    threshold.store(*sink ? static_cast<int>(level) : -1, std::memory_order_relaxed);
  }
};

SinkHolder& holder() {
  static auto* h = new SinkHolder;  // lives as long as any thread may log
  return *h;
}

}  // namespace

void setLevelledLogSink(LevelledLogSink sink) {
  holder().install(std::make_shared<const LevelledLogSink>(std::move(sink)));
}

void setLogSink(LogSink sink) {
  LevelledLogSink levelled;
  if (sink) levelled = [sink = std::move(sink)](LogLevel, std::string_view line) { sink(line); };
  setLevelledLogSink(std::move(levelled));
}

void resetLogSink() { setLevelledLogSink(writeToStdout); }

void setLogLevel(LogLevel level) {
  SinkHolder& h = holder();
  std::lock_guard lock(h.mutex);
  h.level = level;
  h.threshold.store(*h.sink ? static_cast<int>(level) : -1, std::memory_order_relaxed);
}

LogLevel logLevel() {
  SinkHolder& h = holder();
  std::lock_guard lock(h.mutex);
  return h.level;
}

namespace util {

bool logEnabled(LogLevel level) noexcept {
  return static_cast<int>(level) <= holder().threshold.load(std::memory_order_relaxed);
}

void writeLog(LogLevel level, std::string_view line) {
  std::shared_ptr<const LevelledLogSink> sink;
  {
    std::lock_guard lock(holder().mutex);
    sink = holder().sink;
  }
  if (*sink) (*sink)(level, line);
}

}  // namespace util
}  // namespace quillbox
