#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "quillbox/download/Cancelable.hpp"
#include "quillbox/download/DownloadResult.hpp"
#include "quillbox/download/ResumableDownloader.hpp"
#include "quillbox/request/RetryPolicy.hpp"

namespace quillbox::download {

inline constexpr std::string_view kDownloadSessionIdentifier = "com.resumable.download";

/// ITransfer::downloadFile: a new downloader for `url` → `localPath`, started
/// with the two callbacks and returned as the handle. `fileId` is not used.
/// It runs on `transport`, or on the process-wide download transport when
/// that is null, and resumes by itself as `retry` allows.
std::shared_ptr<Cancelable> startDownload(std::string url, std::string fileId, std::filesystem::path localPath,
                                          std::function<void(double)> progress,
                                          std::function<void(DownloadResult)> completion,
                                          std::shared_ptr<transport::DownloadLoops> transport = nullptr,
                                          RetryPolicy retry = RetryPolicy::standard());

}  // namespace quillbox::download
