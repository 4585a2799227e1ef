#include "request/HttpHelper.hpp"

#include <algorithm>
#include <memory>
#include <thread>

#include "request/Redact.hpp"
#include "util/Log.hpp"
#include "util/Text.hpp"

namespace quillbox::request {

namespace {

/// The request as it goes out, secrets masked: one line for the address,
/// one per header, one for the body.
void logRequest(const std::string& url, const std::optional<HeaderMap>& headers,
                const std::optional<std::string>& body) {
  QUILLBOX_LOG(debug, "Request url = " + maskUrlQuery(url));
  if (headers) {
    for (const auto& [name, value] : *headers) {
      QUILLBOX_LOG(debug, "Request head = " + name + " : " + std::string(loggableHeaderValue(name, value)));
    }
  }
  if (!body) {
    QUILLBOX_LOG(debug, "Request Body: 空");
  } else if (util::isValidUtf8(*body)) {
    QUILLBOX_LOG(debug, "Request Body: " + loggableBody(*body));
  } else {
    QUILLBOX_LOG(debug, "Request Body: 无法解码的二进制数据");
  }
  QUILLBOX_LOG(debug, "request httpResponse session.data after");
}

std::size_t callbackWidth() { return std::max(2u, std::thread::hardware_concurrency()); }

/// One service request on the loop: sends `body`, gathers the answer.
class DataTransfer final : public util::CurlTransfer {
 public:
  DataTransfer(util::ThreadPool& callbacks, std::function<void(HttpResult)> completion)
      : CurlTransfer(/*reuseHandle=*/true), callbacks_(callbacks), completion_(std::move(completion)) {}
  ~DataTransfer() override {
    if (headerList_) curl_slist_free_all(headerList_);
  }

  void configure(const std::string& url, HTTPMethod method, const std::optional<HeaderMap>& headers,
                 const std::optional<std::string>& body, long connectTimeout, long stallTimeout) {
    CURL* h = easy();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
    curl_easy_setopt(h, CURLOPT_PIPEWAIT, 1L);
    // A peer that answers with something other than HTTP is reported as such
    // (status 0) instead of as a transport error.
    curl_easy_setopt(h, CURLOPT_HTTP09_ALLOWED, 1L);
    curl_easy_setopt(h, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, connectTimeout);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stallTimeout);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &DataTransfer::onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);

    if (method == HTTPMethod::get) {
      curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else {
      curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, std::string(rawValue(method)).c_str());
      if (body) body_ = *body;
      curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
      curl_easy_setopt(h, CURLOPT_POSTFIELDS, body_.data());
    }

    if (headers) {
      for (const auto& [name, value] : *headers) headerList_ = curl_slist_append(headerList_, (name + ": " + value).c_str());
    }
    // libcurl would otherwise add "Expect: 100-continue" to larger bodies and
    // wait for a peer that may never answer it.
    headerList_ = curl_slist_append(headerList_, "Expect:");
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList_);
  }

  void finished(CURLcode rc, bool cancelled) override {
    HttpResult result;
    if (cancelled) {
      result.transportError = "cancelled";
    } else if (tooLarge_) {
      result.transportError = "response body larger than " + std::to_string(HttpHelper::kMaxResponseBody) + " bytes";
    } else if (rc != CURLE_OK) {
      result.transportError = errorText(rc);
    } else {
      curl_easy_getinfo(easy(), CURLINFO_RESPONSE_CODE, &result.status);
    }
    result.body = std::move(received_);
    callbacks_.post([completion = std::move(completion_), result = std::move(result)]() mutable {
      completion(std::move(result));
    });
  }

 private:
  static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* t = static_cast<DataTransfer*>(self);
    const std::size_t n = size * count;
    if (t->received_.size() + n > HttpHelper::kMaxResponseBody) {
      t->tooLarge_ = true;
      return 0;  // ends the transfer with a write error
    }
    t->received_.append(data, n);
    return n;
  }

  util::ThreadPool& callbacks_;
  std::function<void(HttpResult)> completion_;
  std::string body_;
  std::string received_;
  bool tooLarge_ = false;
  curl_slist* headerList_ = nullptr;
};

/// host + path as one URL, with `queryItems` replacing the query when given.
std::optional<std::string> composeUrl(const std::string& text, const std::optional<HeaderMap>& queryItems) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), &curl_url_cleanup);
  if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) return std::nullopt;
  if (queryItems) {
    std::string query;
    for (const auto& [name, value] : *queryItems) {
      if (!query.empty()) query += '&';
      query += name + "=" + value;
    }
    if (curl_url_set(url.get(), CURLUPART_QUERY, query.empty() ? nullptr : query.c_str(), 0) != CURLUE_OK) {
      return std::nullopt;
    }
  }
  char* out = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &out, 0) != CURLUE_OK) return std::nullopt;
  std::string composed(out);
  curl_free(out);
  return composed;
}

}  // namespace

// A host callback may block until a nested call has answered; the executor
// then adds threads, so that the answer still gets a thread to run on.
HttpHelper::HttpHelper()
    : callbacks_("quillbox-callbacks", callbackWidth(), util::ThreadPool::Growth{.maxThreads = 128}),
      loop_("quillbox-http") {}

HttpHelper& HttpHelper::shared() {
  // Created once, never destroyed: requests may still complete while the
  // process exits.
  static HttpHelper* instance = new HttpHelper;
  return *instance;
}

void HttpHelper::setTimeouts(std::chrono::seconds connect, std::chrono::seconds stall) {
  connectTimeout_ = static_cast<long>(connect.count());
  stallTimeout_ = static_cast<long>(stall.count());
}

std::optional<NetworkError> HttpHelper::sendRequest(const std::string& host, const std::string& path,
                                                    HTTPMethod method, const std::optional<HeaderMap>& headers,
                                                    const std::optional<HeaderMap>& queryItems,
                                                    const std::optional<std::string>& body,
                                                    std::function<void(HttpResult)> completion) {
  const std::string text = host + path;
  std::optional<std::string> url = composeUrl(text, queryItems);
  if (!url) return NetworkError::invalidURL();
  if (util::logEnabled(LogLevel::debug)) logRequest(text, headers, body);

  auto transfer = std::make_shared<DataTransfer>(callbacks_, std::move(completion));
  // GET never carries a body, whatever the request holds.
  transfer->configure(*url, method, headers, method == HTTPMethod::get ? std::nullopt : body, connectTimeout_.load(),
                      stallTimeout_.load());
  loop_.start(std::move(transfer));
  return std::nullopt;
}

}  // namespace quillbox::request
