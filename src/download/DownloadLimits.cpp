#include "download/DownloadLimits.hpp"

#include <mutex>

namespace quillbox::download {

namespace {

std::mutex& limitsMutex() {
  static std::mutex mutex;
  return mutex;
}

DownloadLimits& current() {
  static DownloadLimits limits;
  return limits;
}

}  // namespace

DownloadLimits downloadLimits() {
  std::lock_guard lock(limitsMutex());
  return current();
}

void setDownloadLimits(const DownloadLimits& limits) {
  std::lock_guard lock(limitsMutex());
  current() = limits;
}

}  // namespace quillbox::download
