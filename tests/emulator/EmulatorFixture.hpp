#pragma once
// Runs the emulator in-process and talks to it with plain libcurl.

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <boost/json.hpp>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "emulator/Crypto.hpp"
#include "emulator/Emulator.hpp"
#include "support/TestFiles.hpp"

namespace quillbox::test {

struct HttpAnswer {
  long status = 0;
  std::string body;
  std::map<std::string, std::string> headers;  // names in lower case
  CURLcode rc = CURLE_OK;

  boost::json::object json() const {
    boost::system::error_code ec;
    auto v = boost::json::parse(body, ec);
    if (ec || !v.is_object()) return {};
    return v.as_object();
  }
  std::string header(const std::string& lowerName) const {
    auto it = headers.find(lowerName);
    return it == headers.end() ? std::string() : it->second;
  }
};

/// One request with libcurl, the way a client outside the SDK would send it.
inline HttpAnswer http(const std::string& method, const std::string& url, const std::string& body = {},
                       const std::vector<std::string>& headers = {}) {
  HttpAnswer answer;
  CURL* h = curl_easy_init();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, 20L);
  curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
  if (method == "HEAD") {
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  }
  curl_slist* list = nullptr;
  bool expect = false;
  for (const auto& header : headers) {
    list = curl_slist_append(list, header.c_str());
    expect = expect || header.rfind("Expect:", 0) == 0;
  }
  // libcurl would add "Expect: 100-continue" to larger bodies on its own.
  if (!expect) list = curl_slist_append(list, "Expect:");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t n, void* out) {
    static_cast<std::string*>(out)->append(data, size * n);
    return size * n;
  });
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer.body);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, +[](char* data, size_t size, size_t n, void* out) {
    std::string line(data, size * n);
    const auto colon = line.find(':');
    if (colon != std::string::npos) {
      std::string name = line.substr(0, colon);
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      std::string value = line.substr(colon + 1);
      while (!value.empty() && (value.front() == ' ')) value.erase(value.begin());
      while (!value.empty() && (value.back() == '\r' || value.back() == '\n')) value.pop_back();
      (*static_cast<std::map<std::string, std::string>*>(out))[name] = value;
    }
    return size * n;
  });
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &answer.headers);
  answer.rc = curl_easy_perform(h);
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &answer.status);
  curl_slist_free_all(list);
  curl_easy_cleanup(h);
  return answer;
}

/// A test clock the emulator reads; starts at the real time.
struct TestClock {
  std::atomic<std::int64_t> now{
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
          .count()};
  void advance(std::chrono::milliseconds by) { now += by.count(); }
};

class EmulatorTest : public ::testing::Test {
 public:
  static emulator::EmulatorOptions defaults(TestClock* clock = nullptr) {
    emulator::EmulatorOptions o;
    if (clock) o.clock = [clock] { return clock->now.load(); };
    return o;
  }

  void startEmulator(emulator::EmulatorOptions options) {
    emu_ = std::make_unique<emulator::Emulator>(std::move(options));
    emu_->start();
  }
  void SetUp() override { startEmulator(defaults(&clock_)); }

  std::string url(const std::string& path) const { return emu_->url() + path; }
  std::string api(const std::string& path) const { return emu_->url() + "/quillbox/ose/v1/" + path; }

  /// Signs in with `code` and returns the access token.
  std::string signIn(const std::string& code) {
    auto a = http("POST", api("carrier/standard/user/auth"), R"({"authCode":")" + code + R"("})");
    EXPECT_EQ(a.status, 200) << a.body;
    auto o = a.json();
    return o.contains("accessToken") ? std::string(o["accessToken"].as_string()) : std::string();
  }
  HttpAnswer call(const std::string& method, const std::string& path, const std::string& token,
                  const std::string& body = {}) {
    return http(method, api(path), body, {"Authorization: " + token, "Content-Type: application/json"});
  }
  /// Arms a fault; the JSON body as the control endpoint takes it.
  void arm(const std::string& json) {
    auto a = http("POST", url("/_emulator/faults"), json);
    ASSERT_EQ(a.status, 201) << a.body;
  }
  boost::json::object controlJson(const std::string& path) { return http("GET", url(path)).json(); }
  /// The request log's entries with `method` (any when empty) on paths that
  /// start with `prefix`, oldest first.
  std::vector<boost::json::object> logged(const std::string& method, const std::string& prefix) {
    std::vector<boost::json::object> out;
    const boost::json::object log = controlJson("/_emulator/requests");
    for (const auto& entry : log.at("requests").as_array()) {
      const auto& e = entry.as_object();
      if ((method.empty() || e.at("method").as_string() == method) &&
          std::string(e.at("path").as_string()).starts_with(prefix)) {
        out.push_back(e);
      }
    }
    return out;
  }

  TestClock clock_;
  std::unique_ptr<emulator::Emulator> emu_;
};

}  // namespace quillbox::test
