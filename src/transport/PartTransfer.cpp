// Part uploads: one PUT per part, its body streamed from the file, its
// progress and outcome handed to the thread that awaits it. The libcurl
// callbacks below run on the I/O thread: they only read the file and record
// numbers, never log and never call host code.

#include "transport/PartTransfer.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>

#include "request/Redact.hpp"
#include "transport/BaseOptions.hpp"
#include "util/Log.hpp"
#include "util/ReadOnlyFile.hpp"

namespace quillbox::transport {

struct PartPuts::Registry {
  mutable std::mutex mutex;
  std::set<CurlLoop::Id> running;
};

struct PartWaiter::State {
  std::mutex mutex;
  std::condition_variable changed;
  const std::int64_t total;
  std::int64_t sent = 0;  // bytes of the body sent so far
  bool done = false;
  BaseResponse outcome;
  HttpResult result;

  // Set when the PUT starts; read by the awaiting thread only.
  std::shared_ptr<ProgressListener> listener;
  std::string hash;
  std::shared_ptr<PartPuts::Registry> registry;

  explicit State(std::int64_t total) : total(total) {}
};

namespace {

class PutTransfer final : public CurlTransfer {
 public:
  PutTransfer(PartBody body, std::shared_ptr<PartWaiter::State> state)
      : body_(std::move(body)), state_(std::move(state)) {}
  ~PutTransfer() override {
    if (headerList_) curl_slist_free_all(headerList_);
  }

  void configure(const std::string& url, const TransportOptions& options) {
    CURL* h = easy();
    applyBaseOptions(h, options, Kind::partPut);
    setUrl(url);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(body_.length));
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &PutTransfer::onRead);
    curl_easy_setopt(h, CURLOPT_READDATA, this);
    // Lets libcurl send the body again on a fresh connection when a reused
    // one turns out to be closed.
    curl_easy_setopt(h, CURLOPT_SEEKFUNCTION, &PutTransfer::onSeek);
    curl_easy_setopt(h, CURLOPT_SEEKDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &PutTransfer::onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &PutTransfer::onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);

    headerList_ = curl_slist_append(headerList_, "Content-Type: application/octet-stream");
    headerList_ = curl_slist_append(headerList_, ("Content-Length: " + std::to_string(body_.length)).c_str());
    // Without these libcurl would add "Expect: 100-continue" (and wait for a
    // peer that may never answer it) and "Accept: */*".
    headerList_ = curl_slist_append(headerList_, "Expect:");
    headerList_ = curl_slist_append(headerList_, "Accept:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList_);
  }

  void finished(CURLcode rc, bool cancelled) override {
    BaseResponse outcome;
    HttpResult result = endOfAttempt(easy(), rc, cancelled);
    result.body = std::move(answer_);
    curl_off_t uploaded = 0;
    if (cancelled) {
      outcome = BaseResponse(-1, "cancelled", std::nullopt);
      result.transportError = outcome.msg;
    } else if (rc != CURLE_OK) {
      outcome = BaseResponse(-1, errorText(rc), std::nullopt);
      result.transportError = outcome.msg;
    } else {
      curl_easy_getinfo(easy(), CURLINFO_SIZE_UPLOAD_T, &uploaded);
      const long status = result.status;
      if (status < 200 || status > 299) {
        outcome = BaseResponse(-1, "response status code = " + std::to_string(status), std::nullopt);
      } else {
        outcome = BaseResponse(0, "success", std::nullopt);
      }
    }
    {
      std::lock_guard lock(state_->mutex);
      if (uploaded > state_->sent) state_->sent = static_cast<std::int64_t>(uploaded);
      state_->outcome = std::move(outcome);
      state_->result = std::move(result);
      state_->done = true;
    }
    state_->changed.notify_all();
  }

 private:
  static std::size_t onRead(char* buffer, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<PutTransfer*>(self);
    const auto remaining = static_cast<std::uint64_t>(t->body_.length - t->position_);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size * count, remaining));
    if (want == 0) return 0;
    const std::int64_t n =
        t->body_.file->readAt(static_cast<std::uint64_t>(t->body_.offset + t->position_), buffer, want);
    // A read error, or a file that has become shorter than the part: the
    // body cannot be completed, so the PUT fails.
    if (n <= 0) return CURL_READFUNC_ABORT;
    t->position_ += n;
    return static_cast<std::size_t>(n);
  }

  static int onSeek(void* self, curl_off_t offset, int origin) {
    auto* t = static_cast<PutTransfer*>(self);
    if (origin != SEEK_SET) return CURL_SEEKFUNC_CANTSEEK;
    if (offset < 0 || offset > t->body_.length) return CURL_SEEKFUNC_FAIL;
    t->position_ = static_cast<std::int64_t>(offset);
    return CURL_SEEKFUNC_OK;
  }

  // Keeps the start of the answer: a refusal's envelope says why.
  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<PutTransfer*>(self);
    const std::size_t n = size * count;
    if (t->answer_.size() < kAnswerKept) t->answer_.append(data, std::min(n, kAnswerKept - t->answer_.size()));
    return n;
  }

  static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
    auto* t = static_cast<PutTransfer*>(self);
    const auto sent = static_cast<std::int64_t>(ulnow);
    bool changed = false;
    {
      std::lock_guard lock(t->state_->mutex);
      if (sent > t->state_->sent) {
        t->state_->sent = sent;
        changed = true;
      }
    }
    if (changed) t->state_->changed.notify_all();
    return 0;
  }

  PartBody body_;
  std::shared_ptr<PartWaiter::State> state_;
  std::int64_t position_ = 0;  // within the part
  curl_slist* headerList_ = nullptr;
  static constexpr std::size_t kAnswerKept = 4096;
  std::string answer_;  // the start of the answer's body
};

bool isUrl(const std::string& text) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
  return url && curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK;
}

}  // namespace

PartPuts::PartPuts(CurlLoop& loop, const TransportOptions& options)
    : loop_(loop), options_(options), registry_(std::make_shared<Registry>()) {}

std::shared_ptr<PartWaiter> PartPuts::start(const std::string& url, PartBody data, const std::string& hash,
                                            std::shared_ptr<ProgressListener> progressListener,
                                            std::chrono::milliseconds delay) {
  QUILLBOX_LOG(debug, "putUploadFile bytes size = " + std::to_string(data.length));
  QUILLBOX_LOG(debug, "putUploadFile hash = " + hash);
  const std::int64_t length = std::max<std::int64_t>(data.length, 0);
  auto state = std::make_shared<PartWaiter::State>(length);
  if (!isUrl(url) || !data.file) {
    QUILLBOX_LOG(error, "无效的URL: " + request::maskUrlQuery(url));
    state->outcome = BaseResponse(-1, "url invalid", std::nullopt);
    state->result.transportError = "url invalid";
    state->result.code = CURLE_URL_MALFORMAT;
    state->done = true;
    return std::make_shared<PartWaiter>(0, std::move(state));
  }
  data.length = length;
  state->listener = std::move(progressListener);
  state->hash = hash;
  state->registry = registry_;

  auto transfer = std::make_shared<PutTransfer>(std::move(data), state);
  transfer->configure(url, options_);
  const CurlLoop::Id id =
      delay.count() > 0 ? loop_.startAfter(delay, std::move(transfer)) : loop_.start(std::move(transfer));
  std::size_t count = 0;
  {
    // Leaves the registry only in await(), which needs the waiter returned
    // below: no end can be missed.
    std::lock_guard lock(registry_->mutex);
    registry_->running.insert(id);
    count = registry_->running.size();
  }
  QUILLBOX_LOG(debug, "==============XXXXXX====start===========" + std::to_string(id) + "===============");
  QUILLBOX_LOG(debug, "设置任务成功: " + std::to_string(id) + ", 当前任务数: " + std::to_string(count));
  return std::make_shared<PartWaiter>(id, std::move(state));
}

std::size_t PartPuts::running() const {
  std::lock_guard lock(registry_->mutex);
  return registry_->running.size();
}

HttpResult PartWaiter::result() const {
  std::lock_guard lock(state_->mutex);
  return state_->result;
}

std::string PartWaiter::description() const { return "UploadWaiter(id: " + std::to_string(id_) + ")"; }

BaseResponse PartWaiter::await() {
  std::int64_t forwarded = 0;
  for (;;) {
    std::int64_t sent = 0;
    bool done = false;
    {
      std::unique_lock lock(state_->mutex);
      state_->changed.wait(lock, [&] { return state_->done || state_->sent != forwarded; });
      sent = state_->sent;
      done = state_->done;
    }
    if (sent != forwarded && id_ != 0) {
      forwarded = sent;
      QUILLBOX_LOG(debug, "========== " + state_->hash + "=========totalBytesSent = " + std::to_string(sent) +
          " , totalBytesExpectedToSend = " + std::to_string(state_->total));
      if (state_->listener) state_->listener->onProgress(state_->hash, sent, state_->total);
    }
    if (done) break;
  }
  if (id_ == 0) return state_->outcome;

  QUILLBOX_LOG(debug, "==============XXXXXX====didCompleteWithError===========" + std::to_string(id_) + "========= " +
      description() + "==== " + "UploadBean(hash: " + state_->hash + ")" + "==");
  {
    std::lock_guard lock(state_->registry->mutex);
    state_->registry->running.erase(id_);
  }
  std::lock_guard lock(state_->mutex);
  return state_->outcome;
}

}  // namespace quillbox::transport
