// The download engine against nginx, a real peer that nobody here wrote: its own ETags, its
// own Range and If-Range handling, sendfile bodies.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

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

// How a paused download continues, and with which If-Range, is checked on the loopback server;
// here nginx's own ETags and If-Range handling, and its sendfile bodies, byte-exact whole or
// ranged, take the resume data of a fresh downloader.
TEST_F(DownloadNginxTest, AResumedDownloadAsksForTheRestWithIfRangeOrStartsOverWhenTheFileChanged) {
  std::size_t requests = 0;
  for (const bool replaced : {false, true}) {
    SCOPED_TRACE(replaced ? "the file changed while paused" : "the same file");
    requests += 2;
    const std::string body = test::randomBytes(6 * 1024 * 1024, 22);
    const std::string url = nginx.putFile("big.bin", body);
    const fs::path destination = dir.path() / "big.bin";
    auto d = std::make_unique<ResumableDownloader>(url, destination, kSession);
    const auto kept = test::startAndPause(*d, *Probe::make(), dir.path(), 512 * 1024);
    ASSERT_GT(kept, 0u);
    ASSERT_LT(kept, body.size());
    const auto token = d->resumeData();
    ASSERT_TRUE(token.has_value());
    d = std::make_unique<ResumableDownloader>(url, destination, kSession);
    ASSERT_FALSE(d->setResumeData(*token).has_value());
    // Another size, so nginx's ETag (modification time and size) differs for sure.
    const std::string expected = replaced ? test::randomBytes(5 * 1024 * 1024 + 3, 24) : body;
    if (replaced) nginx.putFile("big.bin", expected);
    const auto result = Probe::make()->run(*d);
    ASSERT_TRUE(result && result->isSuccess()) << describe(result);
    EXPECT_TRUE(readFile(destination) == expected);
    // nginx answered the ranged request itself: 206 with the rest for the ETag it had given,
    // the whole new file for another.
    EXPECT_THAT(lastRangedRequest(requests),
                ContainsRegex(replaced ? "^GET /big.bin 200 " + std::to_string(expected.size()) + " range=\"bytes=" +
                                             std::to_string(kept) + "-\" if_range=\"\\\\x22"
                                       : "^GET /big.bin 206 " + std::to_string(body.size() - kept) + " range=\"bytes=" +
                                             std::to_string(kept) + "-\" if_range=\"\\\\x22[0-9a-f]+-[0-9a-f]+\\\\x22\"$"));
    // The first request of each round asked for the whole file, with neither header.
    const auto log = nginx.accessLog();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.ends_with(" range=\"-\" if_range=\"-\""); }),
              static_cast<std::ptrdiff_t>(requests / 2));
    fs::remove(destination);
  }
}

}  // namespace
}  // namespace quillbox
