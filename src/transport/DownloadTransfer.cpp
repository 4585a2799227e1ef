#include "transport/DownloadTransfer.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <string_view>

#include "transport/BaseOptions.hpp"

namespace quillbox::transport {

using download::createPartialFile;
using download::fileSystemError;

namespace {


bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    char b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

bool parseInt(std::string_view text, std::int64_t& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 0;
}

struct ContentRange {
  std::int64_t first = -1;  // -1 for "*"
  std::int64_t last = -1;
  std::int64_t total = -1;  // -1 for "*"
};

/// "bytes 100-199/200", "bytes 100-199/*" or "bytes */200".
std::optional<ContentRange> parseContentRange(std::string_view text) {
  if (!startsWithIgnoreCase(text, "bytes ")) return std::nullopt;
  text = trim(text.substr(6));
  const auto slash = text.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  ContentRange range;
  const std::string_view span = text.substr(0, slash);
  const std::string_view total = text.substr(slash + 1);
  if (total != "*" && !parseInt(total, range.total)) return std::nullopt;
  if (span != "*") {
    const auto dash = span.find('-');
    if (dash == std::string_view::npos || !parseInt(span.substr(0, dash), range.first) ||
        !parseInt(span.substr(dash + 1), range.last) || range.last < range.first) {
      return std::nullopt;
    }
  }
  return range;
}

DownloadError error(DownloadError::Kind kind, std::int64_t code, std::string message) {
  DownloadError e;
  e.kind = kind;
  e.code = code;
  e.message = std::move(message);
  return e;
}

}  // namespace

DownloadTransfer::DownloadTransfer(std::shared_ptr<TransferEvents> events, TransferStart start,
                                   TransportOptions options, std::int64_t maxBytesPerSecond)
    : events_(std::move(events)),
      destination_(std::move(start.destination)),
      file_(std::move(start.resumeFrom)),
      writeBlock_(std::max<std::size_t>(options.downloadWriteBlock, 1)),
      reportEvery_(options.downloadReportEvery) {
  resumed_ = file_.has_value();
  bytes_ = resumed_ ? start.offset : 0;
  validator_ = std::move(start.validator);
  expectedSha256_ = start.expectedSha256;
  if (verifying() && resumed_ && start.hashed) {
    hash_ = std::move(*start.hashed);
    hashCarried_ = true;
  }
  buffer_.reserve(writeBlock_);

  CURL* h = easy();
  if (maxBytesPerSecond > 0) options.downloadMaxBytesPerSecond = maxBytesPerSecond;
  applyBaseOptions(h, options, Kind::download);
  curl_easy_setopt(h, CURLOPT_URL, start.url.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  // Downloads share loops, not connections: each transfer has its own, as
  // it would with a session per downloader.
  curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");  // cookies set along a redirect chain are sent on
  curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &DownloadTransfer::onHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &DownloadTransfer::onBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);

  // Without a validator a partial file cannot be matched to the server's
  // current file: ask for all of it.
  if (resumed_ && bytes_ > 0 && !validator_.empty()) {
    rangeSent_ = true;
    curl_easy_setopt(h, CURLOPT_RANGE, (std::to_string(bytes_) + "-").c_str());
    headerList_ = curl_slist_append(headerList_, ("If-Range: " + validator_).c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList_);
  }
}

DownloadTransfer::~DownloadTransfer() {
  closeFile();
  if (headerList_) curl_slist_free_all(headerList_);
}

std::size_t DownloadTransfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
  const std::size_t n = size * count;
  return static_cast<DownloadTransfer*>(self)->headerLine(std::string_view(data, n)) ? n : 0;
}

bool DownloadTransfer::headerLine(std::string_view line) {
  line = trim(line);
  if (startsWithIgnoreCase(line, "HTTP/")) {
    // A new answer (after an interim one or a redirect): forget the last.
    status_ = 0;
    contentLength_ = -1;
    contentRange_.clear();
    etag_.clear();
    lastModified_.clear();
    hasLocation_ = false;
    const auto space = line.find(' ');
    std::int64_t code = 0;
    if (space != std::string_view::npos && parseInt(line.substr(space + 1, 3), code)) status_ = static_cast<long>(code);
    return true;
  }
  if (line.empty()) {
    // The end of a head. Interim answers and redirects that will be followed
    // are not the answer.
    if (status_ / 100 == 1 || (status_ / 100 == 3 && hasLocation_) || decided_) return true;
    return decide(status_);
  }
  const auto colon = line.find(':');
  if (colon == std::string_view::npos) return true;
  const std::string_view name = line.substr(0, colon);
  const std::string_view value = trim(line.substr(colon + 1));
  auto is = [&](std::string_view field) { return name.size() == field.size() && startsWithIgnoreCase(name, field); };
  if (is("Content-Length")) {
    if (!parseInt(value, contentLength_)) contentLength_ = -1;
  } else if (is("Content-Range")) {
    contentRange_ = value;
  } else if (is("ETag")) {
    etag_ = value;
  } else if (is("Last-Modified")) {
    lastModified_ = value;
  } else if (is("Location")) {
    hasLocation_ = true;
  }
  return true;
}

bool DownloadTransfer::decide(long status) {
  decided_ = true;
  const auto range = parseContentRange(contentRange_);

  if (status == 416 && rangeSent_ && range && range->total == bytes_) {
    // Everything had already arrived before the pause.
    discardBody_ = true;
    expected_ = bytes_;
    return true;
  }
  if (status < 200 || status > 299) {
    statusFailed_ = true;
    fail(error(DownloadError::Kind::httpStatus, status, "response status code = " + std::to_string(status)));
    return false;
  }

  if (status == 206) {
    if (!range || range->first != bytes_) {
      fail(error(DownloadError::Kind::incomplete, status,
                 "the server sent the range \"" + contentRange_ + "\" where bytes from " + std::to_string(bytes_) +
                     " were asked for"));
      return false;
    }
    expected_ = range->total >= 0 ? range->total : (contentLength_ >= 0 ? bytes_ + contentLength_ : -1);
  } else {
    // The whole body: whatever the partial file held is of no use.
    if (resumed_) restarted_ = true;
    if (file_ && bytes_ > 0 && ::ftruncate(file_->fd, 0) != 0) {
      fail(fileSystemError("cannot cut the partial file", file_->path, errno));
      return false;
    }
    bytes_ = 0;
    hash_.restart();
    expected_ = contentLength_;
    // A weak ETag cannot be used with If-Range; a date can.
    validator_ = !etag_.empty() && !startsWithIgnoreCase(etag_, "W/") ? etag_ : lastModified_;
  }

  if (!file_) {
    auto created = createPartialFile(destination_);
    if (auto* e = std::get_if<DownloadError>(&created)) {
      fail(std::move(*e));
      return false;
    }
    file_ = std::get<download::PartialFile>(std::move(created));
  }
  return true;
}

std::size_t DownloadTransfer::onBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto* t = static_cast<DownloadTransfer*>(self);
  const std::size_t n = size * count;
  if (!t->decided_) {
    long status = 0;
    curl_easy_getinfo(t->easy(), CURLINFO_RESPONSE_CODE, &status);
    if (!t->decide(status)) return 0;
  }
  if (t->failure_) return 0;
  if (t->discardBody_) return n;

  if (t->buffer_.size() + n > t->writeBlock_ && !t->flush()) return 0;
  if (n >= t->writeBlock_) {
    if (!t->writeOut(data, n)) return 0;
    t->report();
    return n;
  }
  t->buffer_.insert(t->buffer_.end(), data, data + n);
  if (t->buffer_.size() >= t->writeBlock_ || std::chrono::steady_clock::now() - t->lastReport_ >= t->reportEvery_) {
    if (!t->flush()) return 0;
  }
  return n;
}

bool DownloadTransfer::writeOut(const char* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t w = ::pwrite(file_->fd, data + done, size - done, static_cast<off_t>(bytes_ + static_cast<std::int64_t>(done)));
    if (w < 0) {
      if (errno == EINTR) continue;
      fail(fileSystemError("cannot write", file_->path, errno));
      return false;
    }
    done += static_cast<std::size_t>(w);
  }
  if (verifying()) hash_.update(data, size);
  bytes_ += static_cast<std::int64_t>(size);
  return true;
}

std::optional<DownloadError> DownloadTransfer::prepare() {
  std::vector<char> block(writeBlock_);
  for (std::int64_t at = 0; at < bytes_;) {
    const auto want = static_cast<std::size_t>(std::min<std::int64_t>(bytes_ - at, static_cast<std::int64_t>(block.size())));
    const ssize_t got = ::pread(file_->fd, block.data(), want, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return fileSystemError("cannot read", file_->path, got < 0 ? errno : EIO);
    hash_.update(block.data(), static_cast<std::size_t>(got));
    at += got;
  }
  return std::nullopt;
}

void DownloadTransfer::endUnstarted(std::optional<DownloadError> problem) {
  if (problem) fail(std::move(*problem));
  finished(CURLE_OK, !problem && stop_.load() != Stop::none);
}

bool DownloadTransfer::flush() {
  if (buffer_.empty()) return true;
  const bool ok = writeOut(buffer_.data(), buffer_.size());
  buffer_.clear();
  if (ok) report();
  return ok;
}

void DownloadTransfer::report() {
  lastReport_ = std::chrono::steady_clock::now();
  events_->written(bytes_, expected_);
}

void DownloadTransfer::fail(DownloadError e) {
  if (!failure_) failure_ = std::move(e);
}

void DownloadTransfer::closeFile() {
  if (file_) file_->close();
}

void DownloadTransfer::finished(CURLcode rc, bool cancelled) {
  using Outcome = TransferEnd::Outcome;
  Outcome outcome = Outcome::failed;
  // Set for a failure another attempt may cure.
  std::optional<HttpResult> attempt;
  const Stop stop = stop_.load();
  if (cancelled && stop == Stop::pause) {
    flush();  // what arrived is good; a failed write only shortens the resume point
    outcome = Outcome::paused;
    failure_.reset();
  } else if (cancelled) {
    outcome = Outcome::cancelled;
    failure_ = error(DownloadError::Kind::cancelled, DownloadError::kCancelledCode, "cancelled");
  } else {
    if (!failure_ && rc == CURLE_OK) {
      if (!decided_) {
        long status = 0;
        curl_easy_getinfo(easy(), CURLINFO_RESPONSE_CODE, &status);
        decide(status);
      }
      flush();
      if (!failure_ && expected_ >= 0 && bytes_ != expected_) {
        // A close-delimited body that ended early: no error from libcurl,
        // but the same as a connection that broke.
        fail(error(DownloadError::Kind::incomplete, CURLE_PARTIAL_FILE,
                   "the body ended after " + std::to_string(bytes_) + " of " + std::to_string(expected_) + " bytes"));
        attempt = endOfAttempt(easy(), CURLE_PARTIAL_FILE, false);
        attempt->transportError = failure_->message;
      }
      if (!failure_ && verifying()) {
        const auto actual = hash_.finish();
        if (!actual || *actual != *expectedSha256_) {
          mismatch_ = true;
          std::string message = "SHA-256 mismatch: expected ";
          message += util::toHex(*expectedSha256_);
          message += ", got ";
          message += actual ? util::toHex(*actual) : std::string("no hash (it could not be computed)");
          fail(error(DownloadError::Kind::verification, -1, std::move(message)));
        }
      }
    }
    if (statusFailed_) {
      // Refused at the head: the status (and any Retry-After) decides.
      attempt = endOfAttempt(easy(), CURLE_OK, false);
      attempt->status = status_;
    }
    // The connection broke, the body was cut short, or it stalled: what
    // arrived before is good and is kept (unless writing it fails).
    if (!failure_ && rc != CURLE_OK && (!decided_ || flush())) {
      fail(error(rc == CURLE_PARTIAL_FILE ? DownloadError::Kind::incomplete : DownloadError::Kind::transport, rc,
                 errorText(rc)));
      attempt = endOfAttempt(easy(), rc, false);
      attempt->transportError = failure_->message;
    }
    outcome = failure_ ? Outcome::failed : Outcome::complete;
    // A failure that came as the transfer was being stopped ends as the stop
    // does: a cancel drops everything; a pause keeps the resume point, unless
    // another attempt could not have cured the failure either.
    if (outcome == Outcome::failed && stop == Stop::cancel) {
      outcome = Outcome::cancelled;
      failure_ = error(DownloadError::Kind::cancelled, DownloadError::kCancelledCode, "cancelled");
    } else if (outcome == Outcome::failed && stop == Stop::pause && attempt) {
      outcome = Outcome::paused;
      failure_.reset();
    }
  }
  closeFile();

  // The partial file stays for a completed body (it is moved next), for a
  // pause, after a failure that may pass once bytes have arrived (when a
  // validator lets a later request ask for the rest), and after any failure
  // when the resume point it came from still describes it; never when its
  // content is known to be wrong.
  const bool resumable = attempt && bytes_ > 0 && !validator_.empty();
  const bool keep = outcome == Outcome::complete || outcome == Outcome::paused ||
                    (outcome == Outcome::failed && !mismatch_ && (resumable || (resumed_ && !restarted_)));
  std::optional<std::filesystem::path> kept;
  std::shared_ptr<download::Sha256Stream> hash;
  if (file_) {
    if (keep) {
      kept = file_->path;
      if (outcome == Outcome::failed && verifying()) hash = std::make_shared<download::Sha256Stream>(std::move(hash_));
    } else {
      ::unlink(file_->path.c_str());
    }
  }
  if (outcome != Outcome::failed) attempt.reset();

  std::shared_ptr<TransferEvents> events = std::move(events_);
  TransferEvents& receiver = *events;
  receiver.ended(std::move(events), TransferEnd{outcome, std::move(failure_), std::move(kept), bytes_, validator_,
                                               restarted_, std::move(attempt), std::move(hash)});
}

}  // namespace quillbox::transport
