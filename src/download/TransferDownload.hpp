#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "quillbox/download/Cancelable.hpp"
#include "quillbox/download/DownloadResult.hpp"

namespace quillbox::download {

inline constexpr std::string_view kDownloadSessionIdentifier = "com.resumable.download";

/// ITransfer::downloadFile: a new downloader for `url` → `localPath`, started
/// with the two callbacks and returned as the handle. `fileId` is not used.
std::shared_ptr<Cancelable> startDownload(std::string url, std::string fileId, std::filesystem::path localPath,
                                          std::function<void(double)> progress,
                                          std::function<void(DownloadResult)> completion);

}  // namespace quillbox::download
