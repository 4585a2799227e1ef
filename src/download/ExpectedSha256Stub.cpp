#include "quillbox/download/ResumableDownloader.hpp"

namespace quillbox {

// Placeholder until the downloader hashes the body as it writes it.
std::optional<DownloadError> ResumableDownloader::setExpectedSha256(std::string_view) {
  DownloadError error;
  error.kind = DownloadError::Kind::verification;
  error.code = -1;
  error.message = "checking the SHA-256 while downloading is not supported yet";
  return error;
}

}  // namespace quillbox
