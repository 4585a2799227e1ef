// The download engine against nginx, a real peer that nobody here wrote: its own ETags, its
// own Range and If-Range handling, sendfile bodies.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "quillbox/download/ResumableDownloader.hpp"
#include "support/DownloadProbe.hpp"
#include "support/Nginx.hpp"
#include "support/TestFiles.hpp"

namespace quillbox {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::describe;
using test::Probe;
using test::readFile;
using ::testing::ContainsRegex;

constexpr const char* kSession = "com.resumable.download";

class DownloadNginxTest : public ::testing::Test {
 protected:
  /// Once the access log has `lines` lines: the last that carried a Range header.
  std::string lastRangedRequest(std::size_t lines) {
    EXPECT_TRUE(nginx.waitForAccessLog(lines, 10s));
    std::string last;
    for (const auto& line : nginx.accessLog()) {
      if (line.find("range=\"-\"") == std::string::npos) last = line;
    }
    return last;
  }

  test::TempDir dir{"quillbox-download-nginx"};
  test::Nginx nginx;
};

TEST_F(DownloadNginxTest, DownloadsAFileByteExactWithProgressToOne) {
  const std::string body = test::randomBytes(8 * 1024 * 1024 + 7, 21);
  const fs::path destination = dir.path() / "sub" / "big.bin";
  ResumableDownloader d(nginx.putFile("files/big.bin", body), destination, kSession);
  auto probe = Probe::make();
  probe->start(d);
  const auto result = probe->wait();
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(destination) == body);
  const auto fractions = probe->fractions();
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_EQ(fractions.back(), 1.0);
  ASSERT_TRUE(nginx.waitForAccessLog(1, 10s));
  EXPECT_EQ(nginx.accessLog().at(0),
            "GET /files/big.bin 200 " + std::to_string(body.size()) + " range=\"-\" if_range=\"-\"");
}

TEST_F(DownloadNginxTest, APausedDownloadAsksForTheRestWithIfRangeOrStartsOverWhenTheFileChanged) {
  enum class Then { resume, resumeInAFreshDownloader, replaceTheFile };
  std::size_t requests = 0;
  for (const Then then : {Then::resume, Then::resumeInAFreshDownloader, Then::replaceTheFile}) {
    SCOPED_TRACE(static_cast<int>(then));
    requests += 2;
    const std::string body = test::randomBytes(6 * 1024 * 1024, 22);
    const std::string url = nginx.putFile("big.bin", body);
    const fs::path destination = dir.path() / "big.bin";
    auto d = std::make_unique<ResumableDownloader>(url, destination, kSession);
    auto first = Probe::make();
    const auto kept = test::startAndPause(*d, *first, dir.path(), 512 * 1024);
    ASSERT_GT(kept, 0u);
    ASSERT_LT(kept, body.size());
    std::string expected = body;
    if (then == Then::resumeInAFreshDownloader) {
      const auto token = d->resumeData();
      ASSERT_TRUE(token.has_value());
      d = std::make_unique<ResumableDownloader>(url, destination, kSession);
      ASSERT_FALSE(d->setResumeData(*token).has_value());
    } else if (then == Then::replaceTheFile) {
      // Another size, so nginx's ETag (modification time and size) differs for sure.
      expected = test::randomBytes(5 * 1024 * 1024 + 3, 24);
      nginx.putFile("big.bin", expected);
    }
    auto probe = Probe::make();
    probe->start(*d);
    const auto result = probe->wait();
    ASSERT_TRUE(result && result->isSuccess()) << describe(result);
    EXPECT_TRUE(readFile(destination) == expected);
    // nginx answered the ranged request itself: 206 with the rest for the ETag it had given,
    // the whole new file for another.
    EXPECT_THAT(lastRangedRequest(requests),
                ContainsRegex(then == Then::replaceTheFile
                                  ? "^GET /big.bin 200 " + std::to_string(expected.size()) + " range=\"bytes=" +
                                        std::to_string(kept) + "-\" if_range=\"\\\\x22"
                                  : "^GET /big.bin 206 " + std::to_string(body.size() - kept) + " range=\"bytes=" +
                                        std::to_string(kept) + "-\" if_range=\"\\\\x22[0-9a-f]+-[0-9a-f]+\\\\x22\"$"));
    fs::remove(destination);
  }
}

}  // namespace
}  // namespace quillbox
