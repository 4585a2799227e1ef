#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>

namespace quillbox {

/// Why a download did not produce its file.
struct DownloadError {
  /// What went wrong, and what `code` then holds.
  enum class Kind {
    cancelled,     ///< cancel() stopped the transfer; code is kCancelledCode
    transport,     ///< the connection failed or stalled; code is libcurl's CURLcode
    httpStatus,    ///< the server answered outside 200–299; code is the status
    incomplete,    ///< the body ended before the announced length, or its range does not fit
    fileSystem,    ///< creating, writing or moving a file failed; code is the errno value
    resumeData,    ///< the resume data cannot be used; code is -1
    verification,  ///< the body's SHA-256 is not the expected one (or that is unusable); code is -1
  };

  /// The code of a cancelled download.
  static constexpr std::int64_t kCancelledCode = -999;

  /// What went wrong.
  Kind kind = Kind::transport;
  /// A number whose meaning depends on `kind` (see Kind).
  std::int64_t code = 0;
  /// A readable description; for transport errors libcurl's own text.
  std::string message;

  /// True when cancel() stopped the download.
  bool isCancelled() const { return kind == Kind::cancelled; }
};

/// The outcome of a download: the file that now holds the body, or the error.
class DownloadResult {
 public:
  /// A download that produced `file`.
  static DownloadResult success(std::filesystem::path file) {
    return DownloadResult(std::in_place_index<0>, std::move(file));
  }
  /// A download that failed with `error`.
  static DownloadResult failure(DownloadError error) {
    return DownloadResult(std::in_place_index<1>, std::move(error));
  }

  /// True when the file is complete at value().
  bool isSuccess() const { return state_.index() == 0; }

  /// The destination file. Throws std::logic_error on a failure.
  const std::filesystem::path& value() const {
    if (!isSuccess()) throw std::logic_error("DownloadResult::value() on a failure: " + error().message);
    return std::get<0>(state_);
  }
  /// The error. Throws std::logic_error on a success.
  const DownloadError& error() const {
    if (isSuccess()) throw std::logic_error("DownloadResult::error() on a success");
    return std::get<1>(state_);
  }

 private:
  template <std::size_t I, class V>
  DownloadResult(std::in_place_index_t<I> tag, V&& v) : state_(tag, std::forward<V>(v)) {}

  std::variant<std::filesystem::path, DownloadError> state_;
};

}  // namespace quillbox
