#include "util/Log.hpp"

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace quillbox {

namespace {

void writeToStdout(std::string_view line) {
  // One fwrite per line keeps lines from different threads whole.
  std::string text;
  text.reserve(line.size() + 1);
  text.append(line).push_back('\n');
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

struct SinkHolder {
  std::mutex mutex;
  std::shared_ptr<const LogSink> sink = std::make_shared<const LogSink>(writeToStdout);
};

SinkHolder& holder() {
  static auto* h = new SinkHolder;  // lives as long as any thread may log
  return *h;
}

}  // namespace

void setLogSink(LogSink sink) {
  auto next = std::make_shared<const LogSink>(std::move(sink));
  std::lock_guard lock(holder().mutex);
  holder().sink = std::move(next);
}

void resetLogSink() { setLogSink(writeToStdout); }

namespace util {

void log(std::string_view line) {
  std::shared_ptr<const LogSink> sink;
  {
    std::lock_guard lock(holder().mutex);
    sink = holder().sink;
  }
  if (*sink) (*sink)(line);
}

}  // namespace util
}  // namespace quillbox
