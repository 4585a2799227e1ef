#pragma once

#include <chrono>
#include <cstdint>

namespace quillbox::download {

/// Transport limits of downloads, read when a transfer starts.
struct DownloadLimits {
  std::chrono::seconds connectTimeout{30};
  /// A transfer that moves less than one byte per second for this long fails;
  /// there is no limit on the total time.
  std::chrono::seconds stallTimeout{30};
  /// Receive rate cap; 0 for none.
  std::int64_t maxBytesPerSecond = 0;
};

DownloadLimits downloadLimits();
void setDownloadLimits(const DownloadLimits& limits);

}  // namespace quillbox::download
