// The download engine against nginx, a real peer that nobody here wrote: its own ETags, its
// own Range and If-Range handling, sendfile bodies.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <curl/curl.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <random>
#include <regex>
#include <sstream>

#include "download/DownloadLimits.hpp"
#include "quillbox/download/ResumableDownloader.hpp"
#include "support/Callbacks.hpp"
#include "support/Nginx.hpp"
#include "support/TestFiles.hpp"

namespace quillbox {
namespace {

using test::readFile;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Nginx;
using ::testing::ContainsRegex;

constexpr const char* kSession = "com.resumable.download";

/// What one start() reported. The callbacks share its state, so a late call is harmless.
class Outcome {
 public:
  std::function<void(double)> progress() {
    return [s = state_](double f) {
      std::lock_guard lock(s->mutex);
      s->fractions.push_back(f);
      s->changed.notify_all();
    };
  }
  std::function<void(DownloadResult)> completion() {
    return [s = state_](DownloadResult r) {
      std::lock_guard lock(s->mutex);
      s->result = std::move(r);
      s->changed.notify_all();
    };
  }
  std::optional<DownloadResult> wait() {
    std::unique_lock lock(state_->mutex);
    state_->changed.wait_for(lock, 60s, [&] { return state_->result.has_value(); });
    return state_->result;
  }
  bool waitForProgress() {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, 30s, [&] { return !state_->fractions.empty(); });
  }
  std::vector<double> fractions() {
    std::lock_guard lock(state_->mutex);
    return state_->fractions;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<double> fractions;
    std::optional<DownloadResult> result;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

std::string describe(const std::optional<DownloadResult>& result) {
  if (!result) return "no outcome";
  if (result->isSuccess()) return "success";
  return "failure " + std::to_string(result->error().code) + ": " + result->error().message;
}

class DownloadNginxTest : public ::testing::Test {
 protected:
  DownloadNginxTest() {
    char pattern[] = "/tmp/quillbox-download-nginx-XXXXXX";
    dir = ::mkdtemp(pattern);
  }
  ~DownloadNginxTest() override {
    download::setDownloadLimits({});
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  /// Starts `d` slowly, pauses it after its first progress and returns the partial file's size.
  std::uintmax_t startAndPause(ResumableDownloader& d, Outcome& first) {
    download::DownloadLimits slow;
    slow.maxBytesPerSecond = 512 * 1024;
    download::setDownloadLimits(slow);
    d.start(first.progress(), first.completion());
    EXPECT_TRUE(first.waitForProgress());
    d.pause();
    download::setDownloadLimits({});
    std::uintmax_t size = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.path().extension() == ".qbpart") size = entry.file_size();
    }
    return size;
  }

  /// The access log line of the request that carried a Range header.
  std::string rangedRequest() {
    EXPECT_TRUE(nginx.waitForAccessLog(2, 10s));
    for (const auto& line : nginx.accessLog()) {
      if (line.find("range=\"-\"") == std::string::npos) return line;
    }
    return {};
  }

  Nginx nginx;
  fs::path dir;
};

TEST_F(DownloadNginxTest, DownloadsAFileByteExactWithProgressToOne) {
  const std::string body = test::randomBytes(8 * 1024 * 1024 + 7, 21);
  const std::string url = nginx.putFile("files/big.bin", body);
  const fs::path destination = dir / "sub" / "big.bin";
  ResumableDownloader d(url, destination, kSession);
  Outcome outcome;
  d.start(outcome.progress(), outcome.completion());
  const auto result = outcome.wait();
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(destination) == body);
  const auto fractions = outcome.fractions();
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_EQ(fractions.back(), 1.0);
  ASSERT_TRUE(nginx.waitForAccessLog(1, 10s));
  EXPECT_EQ(nginx.accessLog().at(0),
            "GET /files/big.bin 200 " + std::to_string(body.size()) + " range=\"-\" if_range=\"-\"");
}

TEST_F(DownloadNginxTest, AMissingFileFailsWith404AndTheDestinationStaysAsItWas) {
  const fs::path destination = dir / "kept.txt";
  std::ofstream(destination) << "old";
  ResumableDownloader d(nginx.url("no/such/file"), destination, kSession);
  Outcome outcome;
  d.start(outcome.progress(), outcome.completion());
  const auto result = outcome.wait();
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_EQ(result->error().kind, DownloadError::Kind::httpStatus);
  EXPECT_EQ(result->error().code, 404);
  EXPECT_EQ(readFile(destination), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(DownloadNginxTest, PauseThenStartAsksForTheRestWithIfRangeAndEndsByteExact) {
  const std::string body = test::randomBytes(6 * 1024 * 1024, 22);
  const std::string url = nginx.putFile("big.bin", body);
  const fs::path destination = dir / "big.bin";
  ResumableDownloader d(url, destination, kSession);
  Outcome first;
  const auto kept = startAndPause(d, first);
  ASSERT_GT(kept, 0u);
  ASSERT_LT(kept, body.size());
  EXPECT_EQ(d.state(), DownloadState::paused);

  Outcome second;
  d.start(second.progress(), second.completion());
  const auto result = second.wait();
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(destination) == body);
  // nginx answered the ranged request itself: 206 with the rest, the ETag it had given.
  EXPECT_THAT(rangedRequest(), ContainsRegex("^GET /big.bin 206 " + std::to_string(body.size() - kept) +
                                             " range=\"bytes=" + std::to_string(kept) +
                                             "-\" if_range=\"\\\\x22[0-9a-f]+-[0-9a-f]+\\\\x22\"$"));
}

TEST_F(DownloadNginxTest, AFileReplacedWhilePausedIsFetchedAgainFromZero) {
  const std::string url = nginx.putFile("changing.bin", test::randomBytes(6 * 1024 * 1024, 23));
  const fs::path destination = dir / "changing.bin";
  ResumableDownloader d(url, destination, kSession);
  Outcome first;
  ASSERT_GT(startAndPause(d, first), 0u);

  // Another size, so nginx's ETag (modification time and size) differs for sure.
  const std::string replaced = test::randomBytes(5 * 1024 * 1024 + 3, 24);
  nginx.putFile("changing.bin", replaced);
  Outcome second;
  d.start(second.progress(), second.completion());
  const auto result = second.wait();
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(destination) == replaced);
  EXPECT_THAT(rangedRequest(), ContainsRegex("^GET /changing.bin 200 " + std::to_string(replaced.size()) +
                                             " range=\"bytes=[0-9]+-\" if_range=\"\\\\x22"));
}

TEST_F(DownloadNginxTest, AResumePointTakenToANewDownloaderContinues) {
  const std::string body = test::randomBytes(6 * 1024 * 1024, 25);
  const std::string url = nginx.putFile("handed.bin", body);
  const fs::path destination = dir / "handed.bin";
  std::optional<std::vector<std::uint8_t>> token;
  std::uintmax_t kept = 0;
  {
    ResumableDownloader first(url, destination, kSession);
    Outcome outcome;
    kept = startAndPause(first, outcome);
    token = first.resumeData();
  }
  ASSERT_TRUE(token.has_value());
  ResumableDownloader second(url, destination, kSession);
  ASSERT_FALSE(second.setResumeData(*token).has_value());
  Outcome outcome;
  second.start(outcome.progress(), outcome.completion());
  const auto result = outcome.wait();
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(destination) == body);
  EXPECT_THAT(rangedRequest(), ContainsRegex(" 206 .*range=\"bytes=" + std::to_string(kept) + "-\""));
}

/// A PUT body read from memory.
struct PutBody {
  const std::string& bytes;
  std::size_t offset = 0;
  static std::size_t read(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto& self = *static_cast<PutBody*>(user);
    const std::size_t n = std::min(size * count, self.bytes.size() - self.offset);
    std::copy_n(self.bytes.data() + self.offset, n, buffer);
    self.offset += n;
    return n;
  }
};

// The fixture also takes PUT bodies, as part uploads need.
TEST_F(DownloadNginxTest, TheFixtureStoresPutBodies) {
  const std::string body = test::randomBytes(300 * 1024, 27);
  PutBody source{body};
  CURL* easy = curl_easy_init();
  ASSERT_NE(easy, nullptr);
  curl_easy_setopt(easy, CURLOPT_URL, nginx.url("parts/1").c_str());
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(easy, CURLOPT_READFUNCTION, &PutBody::read);
  curl_easy_setopt(easy, CURLOPT_READDATA, &source);
  const CURLcode rc = curl_easy_perform(easy);
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  curl_easy_cleanup(easy);
  ASSERT_EQ(rc, CURLE_OK);
  EXPECT_EQ(status, 201);
  EXPECT_TRUE(readFile(nginx.root() / "parts" / "1") == body);
}

}  // namespace
}  // namespace quillbox
