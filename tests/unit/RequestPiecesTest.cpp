// Pure pieces of the request pipeline: methods, URL parts, log levels and redaction,
// Base64 and UTF-8 checks, trace identifiers, and the facade's settings.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <thread>

#include "quillbox/facade/CloudInstance.hpp"
#include "quillbox/request/HTTPMethod.hpp"
#include "quillbox/services/favor/IFavor.hpp"
#include "quillbox/services/job/IJob.hpp"
#include "request/BaseReq.hpp"
#include "request/Redact.hpp"
#include "request/UrlParts.hpp"
#include "transport/DataTransfer.hpp"
#include "util/Base64.hpp"
#include "util/Log.hpp"
#include "util/Text.hpp"

namespace quillbox {
namespace {

using namespace request;

// A call's address is built without libcurl's parser when its path is
// plain; it must be what the parser would have made of the same text.
TEST(ComposeUrlTest, ThePlainPathShortcutGivesWhatTheParserGives) {
  const std::string cases[] = {
      "http://127.0.0.1:8080/quillbox/ose/v1/space/?type=",
      "HTTP://Example.COM/quillbox/ose/v1/files/a%2Fb/path?x=1&y=%E6%96%87",
      "https://h.example:443/api/quillbox/ose/v1/files/%2E%2E/detail",
      "http://h/./a/../b//c?q=a:b@c!$'()*+,;=",
      "http://[::1]:9/x?",
      "http://h/a b",
      "http://h/a#frag",
      "http://h/%zz",
      "http://h?x=1",
      "http://user:pw@h/x",
      "http://h:99999/x",
      "not a url/x",
      "/quillbox/ose/v1/space/",
  };
  for (int round = 0; round < 2; ++round) {  // the second round meets the cached host
    for (const std::string& text : cases) {
      SCOPED_TRACE(text);
      EXPECT_EQ(transport::composeUrl(text, std::nullopt), transport::composeUrlThroughParser(text, std::nullopt));
    }
  }
}

TEST(UrlPartsTest, ValuesCannotAddSegmentsOrItems) {
  EXPECT_EQ(encodePathSegment("../admin"), "..%2Fadmin");
  EXPECT_EQ(encodePathSegment(".."), "%2E%2E");
  EXPECT_EQ(encodePathSegment("."), "%2E");
  EXPECT_EQ(encodePathSegment("abc-XYZ_0.9~"), "abc-XYZ_0.9~");  // unreserved stay
  EXPECT_EQ(encodeQueryValue("a&limit=1000"), "a%26limit%3D1000");
  EXPECT_EQ(encodeQueryValue("c+/=?# x"), "c%2B%2F%3D%3F%23%20x");
  EXPECT_EQ(encodeQueryValue("文件"), "%E6%96%87%E4%BB%B6");
  EXPECT_EQ(encodeQueryValue(std::string("a\0b", 3)), "a%00b");

  QueryBuilder q;
  q.add("offset", std::int64_t{0}).add("isDirect", false).add("keyWord", "x y");
  EXPECT_EQ(q.str(), "offset=0&isDirect=false&keyWord=x%20y");
}

// A line above the level, or any line while the sink is empty, is dropped
// before it is built; the rest reach the sink with their level.
TEST(LogTest, LinesThatWouldNotBeWrittenAreNeverBuilt) {
  // The level, or none for an empty sink at debug; what the sink gets.
  const std::vector<std::pair<std::optional<LogLevel>, std::string>> cases = {
      {LogLevel::debug, "0e 1w 2i 3d "}, {LogLevel::info, "0e 1w 2i "}, {LogLevel::warning, "0e 1w "},
      {LogLevel::error, "0e "},          {std::nullopt, ""},
  };
  int built = 0;
  auto line = [&built](const char* text) { ++built; return std::string(text); };
  for (const auto& [level, expected] : cases) {
    std::string written;
    built = 0;
    setLogLevel(level.value_or(LogLevel::debug));
    setLevelledLogSink(!level ? LevelledLogSink() : [&written](LogLevel at, std::string_view text) {
      written.append(std::to_string(static_cast<int>(at))).append(text).append(" ");
    });
    QUILLBOX_LOG(error, line("e"));
    QUILLBOX_LOG(warning, line("w"));
    QUILLBOX_LOG(info, line("i"));
    QUILLBOX_LOG(debug, line("d"));
    EXPECT_EQ(written, expected);
    EXPECT_EQ(built, std::count(expected.begin(), expected.end(), ' ')) << expected;
  }
  setLogLevel(LogLevel::debug);  // still no sink: nothing is built
  QUILLBOX_LOG(debug, line("d"));
  EXPECT_EQ(built, 0);
  resetLogSink();
  EXPECT_TRUE(util::logEnabled(LogLevel::debug));
}

TEST(RedactTest, QueriesHeadersAndBodiesLoseTheirSecrets) {
  EXPECT_EQ(maskUrlQuery("https://h/p?sig=abc&exp=1&flag"), "https://h/p?sig=***&exp=***&flag");
  EXPECT_EQ(maskUrlQuery("https://h/p?sig=abc#frag"), "https://h/p?sig=***");
  EXPECT_EQ(maskUrlQuery("https://h/p"), "https://h/p");
  // Headers: only the known harmless ones in clear, any other masked.
  for (const char* name : {"Content-Type", "content-length", "Accept", "User-Agent", "X-QZ-AGENTNAME", "X-Traceid",
                           "Range", "If-Range", "ETag", "Last-Modified", "Content-Range", "Expect"}) {
    EXPECT_EQ(loggableHeaderValue(name, "v"), "v") << name;
  }
  for (const char* name : {"authorization", "X-Secret-Key", "Cookie", "Proxy-Authorization", "X-Amz-Security-Token",
                           "Content-Type-Secret", ""}) {
    EXPECT_EQ(loggableHeaderValue(name, "v"), kMasked) << name;
  }

  const std::vector<std::pair<std::string, std::string>> bodies = {
      {R"({"authCode":"c1","nested":[{"password":"p"}],"n":1})", R"({"authCode":"***","nested":[{"password":"***"}],"n":1})"},
      {R"({"EXTRACTCODE":9876,"x":{"Proofcode":"p"}})", R"({"EXTRACTCODE":"***","x":{"Proofcode":"***"}})"},
      {R"({"extract\u0043ode":"9876"})", R"({"extractCode":"***"})"},  // escapes cannot hide a key
      {R"({"uploadUrl":{"headers":{"X-Token":"t"}},"cipher":{"hfek":"k","iv":"v"}})",
       R"({"uploadUrl":{"headers":"***"},"cipher":{"hfek":"***","iv":"v"}})"},
      {R"({"fileName":"password.txt","token":null})", R"({"fileName":"password.txt","token":null})"},
      {"password is not JSON", "password is not JSON"},
      {R"({"multiParts":[{"uploadUrl":"https://h/p/1?X-Sig=abc&exp=9"}],"u":"http://h/q"})",
       R"({"multiParts":[{"uploadUrl":"https://h/p/1?X-Sig=***&exp=***"}],"u":"http://h/q"})"},
      // Not a whole document (cut short, or not JSON at all): scanned as far as it goes.
      {R"({"code":0,"accessToken" : "abc","u":"https://h/p?sig=x","qbstoken":"de)",
       R"({"code":0,"accessToken" : "***","u":"https://h/p?sig=***","qbstoken":"***")"},
      {R"(oops {"ekey":{"a":["}",1]},"n":1,"authCode":12,"Extract\u0063ode":"9)",
       R"(oops {"ekey":"***","n":1,"authCode":"***","Extract\u0063ode":"***")"},
      {R"({"password":)", R"({"password":)"},
  };
  for (const auto& [in, out] : bodies) EXPECT_EQ(maskJsonSecrets(in), out) << in;

  std::string big(40000, 'x');
  big += "文";
  std::string logged = loggableBody(big);
  EXPECT_LT(logged.size(), 17000u);
  EXPECT_THAT(logged, ::testing::EndsWith("...(40003 bytes)"));
  EXPECT_TRUE(util::isValidUtf8(logged));
  // Only the head of a long answer is logged, and it is masked too.
  logged = loggableBody(R"({"list":[{"accessToken":"abc"}],"pad":")" + std::string(20000, 'x') + "\"}");
  EXPECT_THAT(logged, ::testing::StartsWith(R"({"list":[{"accessToken":"***"}],"pad":"xx)"));
}

TEST(Base64Test, StrictDecodingAndRoundTrip) {
  for (const std::string& s : std::vector<std::string>{"", "f", "fo", "foo", "foob", "fooba", "foobar", std::string("\0\xff\x10", 3)}) {
    EXPECT_EQ(util::base64Decode(util::base64Encode(s)), s);
  }
  EXPECT_EQ(util::base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(util::base64Decode("Zm9vYg=="), "foob");
  EXPECT_EQ(util::base64Decode("Zm9vYg"), std::nullopt);    // unpadded
  EXPECT_EQ(util::base64Decode("Zm9v\nYg=="), std::nullopt);  // whitespace
  EXPECT_EQ(util::base64Decode("Zm=vYg=="), std::nullopt);  // padding inside
  EXPECT_EQ(util::base64Decode("Zm9v-_=="), std::nullopt);  // URL alphabet
}

TEST(Utf8Test, RejectsMalformedSequences) {
  EXPECT_TRUE(util::isValidUtf8("plain 文件 😀"));
  EXPECT_FALSE(util::isValidUtf8("\xC3\x28"));
  EXPECT_FALSE(util::isValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(util::isValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(util::isValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(util::isValidUtf8("\xE6\x96"));          // cut short
}

TEST(TraceIdTest, FreshRandomIdentifiersOfTheFixedShape) {
  const std::regex shape("^000000000000DSDK[0-9A-F]{16}000000$");
  std::set<std::string> seen;
  std::mutex mutex;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 250; ++i) {
        std::string id = makeTraceId();
        std::lock_guard lock(mutex);
        EXPECT_TRUE(std::regex_match(id, shape)) << id;
        seen.insert(id);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(seen.size(), 1000u);  // no repeats, also across threads
}

// This binary never changes the facade before this test, so it sees the
// settings as a host does on first use.
TEST(CloudInstanceTest, StartsEmptyAndKeepsWhatTheHostSets) {
  auto& cloud = CloudInstance::shared();
  EXPECT_EQ(cloud.authCode(), std::nullopt);
  EXPECT_EQ(cloud.token(), std::nullopt);
  EXPECT_EQ(cloud.contentId(), std::nullopt);
  EXPECT_EQ(cloud.host(), std::nullopt);
  EXPECT_EQ(cloud.innerUser(), std::nullopt);
  EXPECT_EQ(cloud.userAgent(), "Your-App-Name");

  // Concurrent writers and readers see whole values.
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        cloud.setToken("token-" + std::to_string(t));
        auto v = cloud.token();
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->rfind("token-", 0), 0u);
      }
    });
  }
  for (auto& t : threads) t.join();
  cloud.setToken(std::nullopt);
  EXPECT_EQ(cloud.token(), std::nullopt);
}

}  // namespace
}  // namespace quillbox
