// Self-tests of the loopback fixture server, driven by plain libcurl.
#include "support/LoopbackServer.hpp"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillbox::test {
namespace {

using namespace std::chrono_literals;

size_t appendTo(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

struct Transfer {
  CURL* easy = curl_easy_init();
  curl_slist* headers = nullptr;
  std::string body;
  std::string head;  // every header line received, interim responses included

  explicit Transfer(const std::string& url) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, appendTo);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, appendTo);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &head);
  }
  ~Transfer() {
    curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
  }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  void addHeader(const char* line) {
    headers = curl_slist_append(headers, line);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  }
  void setUrl(const std::string& url) {
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    body.clear();
    head.clear();
  }
  long status() const {
    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    return code;
  }
};

TEST(LoopbackServer, RecordsMethodTargetHeadersAndBodyOfAPost) {
  LoopbackServer server;
  Transfer t(server.baseUrl() + "/v1/files?name=a%20b&x=1");
  t.addHeader("X-MiXeD-Case: one");
  t.addHeader("x-dup: 1");
  t.addHeader("X-Dup: 2");
  t.addHeader("Content-Type: application/json");
  const std::string payload = R"({"k":"v"})";
  curl_easy_setopt(t.easy, CURLOPT_POSTFIELDS, payload.c_str());
  ASSERT_EQ(curl_easy_perform(t.easy), CURLE_OK);

  EXPECT_EQ(t.status(), 200);
  EXPECT_EQ(t.body, R"({"code":0,"msg":"ok"})");
  EXPECT_NE(t.head.find("Content-Type: application/json\r\n"), std::string::npos);

  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const auto& r = requests[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.target, "/v1/files?name=a%20b&x=1");
  EXPECT_EQ(r.body, payload);
  EXPECT_EQ(r.header("x-mixed-case"), "one");
  EXPECT_EQ(r.header("X-DUP"), "1");
  EXPECT_EQ(r.headerCount("x-dup"), 2u);
  EXPECT_EQ(r.headerCount("Authorization"), 0u);
  EXPECT_FALSE(r.header("Authorization").has_value());
  EXPECT_EQ(r.header("Content-Length"), std::to_string(payload.size()));

  std::vector<std::string> names;
  for (const auto& [name, value] : r.headers) names.push_back(name);
  const std::vector<std::string> custom = {"X-MiXeD-Case", "x-dup", "X-Dup"};
  auto first = std::find(names.begin(), names.end(), "X-MiXeD-Case");
  ASSERT_GE(std::distance(first, names.end()), 3);
  EXPECT_EQ(std::vector<std::string>(first, first + 3), custom);
}

TEST(LoopbackServer, AnswersFromQueueThenHandlerThenDefaultOnOneConnection) {
  LoopbackServer server;
  server.enqueue(Reply::json(201, "first"));
  Reply second;
  second.status = 404;
  second.body = "second";
  second.headers.emplace_back("X-Extra", "yes");
  server.enqueue(second);
  server.setHandler(
      [](const RecordedRequest& r) { return Reply::json(202, "handled " + r.target); });

  Transfer t(server.baseUrl() + "/a");
  std::vector<std::pair<long, std::string>> answers;
  for (const char* path : {"/a", "/b", "/c", "/d"}) {
    t.setUrl(server.baseUrl() + path);
    ASSERT_EQ(curl_easy_perform(t.easy), CURLE_OK);
    answers.emplace_back(t.status(), t.body);
    if (t.body == "second") {
      EXPECT_NE(t.head.find("X-Extra: yes\r\n"), std::string::npos);
    }
  }
  const std::vector<std::pair<long, std::string>> expected = {
      {201, "first"}, {404, "second"}, {202, "handled /c"}, {202, "handled /d"}};
  EXPECT_EQ(answers, expected);

  server.reset();
  EXPECT_EQ(server.requestCount(), 0u);
  t.setUrl(server.baseUrl() + "/e");
  ASSERT_EQ(curl_easy_perform(t.easy), CURLE_OK);
  EXPECT_EQ(t.body, R"({"code":0,"msg":"ok"})");

  // Everything travelled over one kept-alive connection.
  EXPECT_EQ(server.connectionCount(), 1u);
  ASSERT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(server.requests()[0].connectionId, 1u);
}

TEST(LoopbackServer, BrokenRepliesReachTheClientAsSuch) {
  LoopbackServer server;
  Reply partial;
  partial.body = std::string(1000, 'x');
  partial.closeAfterBodyBytes = 10;
  server.enqueue(partial);
  Reply nothing;
  nothing.closeWithoutReply = true;
  server.enqueue(nothing);
  Reply unsized;
  unsized.body = "until close";
  unsized.noContentLength = true;
  server.enqueue(unsized);
  Reply raw;
  raw.raw = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nraw";
  server.enqueue(raw);

  Transfer t(server.baseUrl() + "/partial");
  EXPECT_EQ(curl_easy_perform(t.easy), CURLE_PARTIAL_FILE);
  EXPECT_EQ(t.body, std::string(10, 'x'));

  t.setUrl(server.baseUrl() + "/nothing");
  EXPECT_EQ(curl_easy_perform(t.easy), CURLE_GOT_NOTHING);
  ASSERT_TRUE(server.waitForRequests(2, 30s));
  EXPECT_EQ(server.requests()[1].target, "/nothing");

  t.setUrl(server.baseUrl() + "/unsized");
  EXPECT_EQ(curl_easy_perform(t.easy), CURLE_OK);
  EXPECT_EQ(t.body, "until close");
  EXPECT_EQ(t.head.find("Content-Length"), std::string::npos);

  t.setUrl(server.baseUrl() + "/raw");
  EXPECT_EQ(curl_easy_perform(t.easy), CURLE_OK);
  EXPECT_EQ(t.body, "raw");
}

TEST(LoopbackServer, AnswersManyConcurrentTransfersWhileOneIsDelayed) {
  constexpr int kTransfers = 100;
  // One io thread: a delay that blocked the thread would starve every other connection.
  auto server = std::make_unique<LoopbackServer>(1);
  server->setHandler([](const RecordedRequest& r) {
    Reply reply;
    reply.body = "echo " + r.target;
    if (r.target == "/slow") reply.delay = std::chrono::hours(1);
    return reply;
  });

  CURLM* multi = curl_multi_init();
  std::vector<std::unique_ptr<Transfer>> transfers;
  std::map<CURL*, Transfer*> byHandle;
  for (int i = 0; i < kTransfers; ++i) {
    auto path = i == 0 ? std::string("/slow") : "/t" + std::to_string(i);
    transfers.push_back(std::make_unique<Transfer>(server->baseUrl() + path));
    byHandle[transfers.back()->easy] = transfers.back().get();
    curl_multi_add_handle(multi, transfers.back()->easy);
  }

  std::map<Transfer*, CURLcode> results;
  auto drive = [&](std::size_t until) {
    int running = 1;
    while (results.size() < until && running > 0) {
      curl_multi_perform(multi, &running);
      int left = 0;
      while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg == CURLMSG_DONE) results[byHandle[msg->easy_handle]] = msg->data.result;
      }
      if (results.size() < until) curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
  };
  drive(kTransfers - 1);
  ASSERT_EQ(results.size(), static_cast<std::size_t>(kTransfers - 1));
  EXPECT_FALSE(results.count(transfers[0].get()));
  for (int i = 1; i < kTransfers; ++i) {
    EXPECT_EQ(results[transfers[i].get()], CURLE_OK);
    EXPECT_EQ(transfers[i]->body, "echo /t" + std::to_string(i));
  }
  EXPECT_EQ(server->requestCount(), static_cast<std::size_t>(kTransfers));

  // Destroying the server with the delayed reply pending closes its connection.
  server.reset();
  drive(kTransfers);
  ASSERT_EQ(results.size(), static_cast<std::size_t>(kTransfers));
  EXPECT_NE(results[transfers[0].get()], CURLE_OK);

  for (auto& t : transfers) curl_multi_remove_handle(multi, t->easy);
  curl_multi_cleanup(multi);
}

TEST(LoopbackServer, AnswersExpectContinueAndRecordsTheBodyExactly) {
  LoopbackServer server;
  std::string payload(64 * 1024, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 31 + 7);

  Transfer t(server.baseUrl() + "/upload");
  t.addHeader("Expect: 100-continue");
  t.addHeader("Content-Type: application/octet-stream");
  curl_easy_setopt(t.easy, CURLOPT_CUSTOMREQUEST, "PUT");
  curl_easy_setopt(t.easy, CURLOPT_POSTFIELDS, payload.data());
  curl_easy_setopt(t.easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
  // Without the server's interim answer curl would wait this long before sending anyway.
  curl_easy_setopt(t.easy, CURLOPT_EXPECT_100_TIMEOUT_MS, 20000L);
  ASSERT_EQ(curl_easy_perform(t.easy), CURLE_OK);

  EXPECT_EQ(t.head.rfind("HTTP/1.1 100 Continue\r\n", 0), 0u);
  EXPECT_EQ(t.status(), 200);
  ASSERT_EQ(server.requestCount(), 1u);
  auto r = server.requests()[0];
  EXPECT_EQ(r.method, "PUT");
  EXPECT_EQ(r.header("Expect"), "100-continue");
  EXPECT_EQ(r.body.size(), payload.size());
  EXPECT_TRUE(r.body == payload);
}

}  // namespace
}  // namespace quillbox::test
