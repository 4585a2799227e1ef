// The download engine against the loopback server: what goes on the wire, what reaches the
// callbacks and the disk, and what the log shows, for whole downloads, failures, cancel, pause
// and resume.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <curl/curl.h>

#include <algorithm>
#include <future>
#include <mutex>
#include <thread>

#include "download/DownloadText.hpp"
#include "download/ResumeToken.hpp"
#include "download/TransferDownload.hpp"
#include "quillbox/download/ResumableDownloader.hpp"
#include "transport/DownloadLoops.hpp"
#include "support/Callbacks.hpp"
#include "support/DownloadProbe.hpp"
#include "support/LoopbackServer.hpp"
#include "support/RangeFile.hpp"
#include "support/TestFiles.hpp"
#include "util/Sha256.hpp"
#include "util/Text.hpp"

namespace quillbox {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::describe;
using test::LogCapture;
using test::LoopbackServer;
using test::partialFiles;
using test::bodyReply;
using test::RangeFile;
using test::Probe;
using test::RecordedRequest;
using test::Reply;
using ::testing::HasSubstr;

constexpr const char* kSession = "com.resumable.download";

class DownloadTest : public ::testing::Test {
 protected:
  std::shared_ptr<ResumableDownloader> downloader(const std::string& path, const fs::path& destination) {
    return std::make_shared<ResumableDownloader>(server.baseUrl() + path, destination, kSession);
  }

  std::uintmax_t startAndPause(ResumableDownloader& d, const std::shared_ptr<Probe>& probe = Probe::make()) {
    return test::startAndPause(d, *probe, dir.path());
  }

  LoopbackServer server;
  TempDir dir;
};

TEST_F(DownloadTest, DownloadsTheBodyByteExactWithRisingProgressAndTheLogLines) {
  const std::string body = test::randomBytes(3 * 1024 * 1024 + 123, 1);
  server.setHandler([&](const RecordedRequest&) { return bodyReply(body); });
  LogCapture log;
  const fs::path destination = dir.path() / "a" / "b" / "report.bin";  // folders made on the way
  auto d = downloader("/files/report.bin?sig=secret&exp=99", destination);
  EXPECT_EQ(d->state(), DownloadState::idle);

  auto probe = Probe::make();
  const auto result = probe->run(*d);
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_EQ(result->value(), destination);
  EXPECT_TRUE(readFile(destination) == body);
  EXPECT_EQ(d->state(), DownloadState::completed);
  EXPECT_FALSE(d->resumeData().has_value());
  EXPECT_TRUE(partialFiles(destination.parent_path()).empty());

  const auto fractions = probe->fractions();
  ASSERT_FALSE(fractions.empty());
  EXPECT_GT(fractions.front(), 0.0);
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_EQ(fractions.back(), 1.0);
  EXPECT_FALSE(probe->progressAfterCompletion());
  EXPECT_EQ(probe->threads().count(std::this_thread::get_id()), 0u);

  // The request is the URL as given, with no SDK header and no token.
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/files/report.bin?sig=secret&exp=99");
  for (const char* name : {"Authorization", "User-Agent", "X-Traceid", "x-qz-agentname", "Content-Type", "Range",
                           "If-Range"}) {
    EXPECT_EQ(requests[0].headerCount(name), 0u) << name;
  }

  ASSERT_TRUE(log.waitFor("download didCompleteWithError"));
  const auto lines = log.lines();
  EXPECT_EQ(lines.front(), "Start downloading new tasks: " + server.baseUrl() + "/files/report.bin?sig=***&exp=***");
  auto at = [&](const std::string& prefix) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(prefix); }) -
           lines.begin();
  };
  const auto written = at("download didWriteData");
  const auto whole = at("download progress 1.0");
  const auto finished = at("download didFinishDownloadingTo");
  const auto moved = at("===moveTempFile=== ");
  const auto ended = at("download didCompleteWithError");
  EXPECT_LT(written, whole);
  EXPECT_LT(whole, finished);
  EXPECT_LT(finished, moved);
  EXPECT_LT(moved, ended);
  ASSERT_LT(static_cast<std::size_t>(moved), lines.size());
  EXPECT_THAT(lines[moved], HasSubstr((destination.parent_path() / ".report.bin.").string()));
  for (const auto& line : lines) EXPECT_THAT(line, ::testing::Not(HasSubstr("secret")));
}

TEST_F(DownloadTest, FollowsRedirectsAndReportsNegativeFractionsWhileTheSizeIsUnknown) {
  const std::string body = test::randomBytes(300 * 1024, 2);
  server.setHandler([&](const RecordedRequest& request) {
    if (request.target == "/old") {
      Reply moved;
      moved.status = 302;
      moved.headers.emplace_back("Location", "/new");
      return moved;
    }
    Reply reply = bodyReply(body);
    reply.noContentLength = true;  // close-delimited: nothing announces the size
    return reply;
  });
  const fs::path destination = dir.path() / "moved.bin";
  auto d = downloader("/old", destination);
  auto probe = Probe::make();
  const auto result = probe->run(*d);
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(destination) == body);
  EXPECT_EQ(server.requestCount(), 2u);

  // Bytes written over a total of -1.
  const auto fractions = probe->fractions();
  ASSERT_FALSE(fractions.empty());
  for (double f : fractions) EXPECT_LT(f, 0.0);
  EXPECT_EQ(fractions.back(), -static_cast<double>(body.size()));
}

TEST_F(DownloadTest, CallsWhileATransferRunsChangeNothing) {
  Reply slow = bodyReply("body");
  slow.delay = 1s;  // still running when the calls below come
  server.enqueue(slow);
  server.enqueue(bodyReply("second body"));
  LogCapture log;
  const fs::path destination = dir.path() / "once.txt";
  auto d = downloader("/once", destination);
  const auto token = download::encodeResumeToken(
      {server.baseUrl() + "/once", "\"e\"", 3, dir.path() / ".once.txt.0123456789ABCDEF.qbpart"});
  ASSERT_FALSE(d->setExpectedSha256(util::toHex(util::sha256("body").value())).has_value());
  auto first = Probe::make();
  auto second = Probe::make();
  d->start(first->progress(), first->completion());
  d->start(second->progress(), second->completion());
  EXPECT_EQ(d->state(), DownloadState::downloading);
  EXPECT_TRUE(d->setResumeData(token).has_value());
  EXPECT_TRUE(d->setExpectedSha256(util::toHex(util::sha256("second body").value())).has_value());

  const auto result = first->wait();
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  ASSERT_TRUE(log.waitFor("download didCompleteWithError"));
  EXPECT_EQ(server.requestCount(), 1u);
  EXPECT_EQ(second->completions(), 0u);
  EXPECT_TRUE(second->fractions().empty());
  EXPECT_EQ(readFile(destination), "body");
  EXPECT_FALSE(d->resumeData().has_value());

  // Once it has ended, start() downloads again, still held to the hash set before.
  const auto again = Probe::make()->run(*d);
  ASSERT_TRUE(again && !again->isSuccess()) << describe(again);
  EXPECT_EQ(again->error().kind, DownloadError::Kind::verification);
  EXPECT_EQ(readFile(destination), "body");
  EXPECT_EQ(server.requests().at(1).headerCount("Range"), 0u);
  EXPECT_EQ(first->completions(), 1u);
}

TEST_F(DownloadTest, AFailedDownloadLeavesTheDestinationAsItWasAndNoPartialFile) {
  const std::string body = test::randomBytes(1024 * 1024, 10);
  Reply notFound;
  notFound.status = 404;
  notFound.body = "<html>no such file</html>";
  Reply serverError = notFound;
  serverError.status = 500;
  Reply truncated = bodyReply(body);  // closed after part of an announced body
  truncated.closeAfterBodyBytes = 300000;
  Reply dropped;
  dropped.closeWithoutReply = true;
  struct Case {
    const char* name;
    Reply reply;
    DownloadError::Kind kind;
    std::int64_t code;
    bool destinationIsAFullDirectory = false;
  };
  const Case cases[] = {
      {"404", notFound, DownloadError::Kind::httpStatus, 404},
      {"500", serverError, DownloadError::Kind::httpStatus, 500},
      {"a body cut short", truncated, DownloadError::Kind::incomplete, CURLE_PARTIAL_FILE},
      {"no answer", dropped, DownloadError::Kind::transport, CURLE_GOT_NOTHING},
      {"a final move that fails", bodyReply(body), DownloadError::Kind::fileSystem, ENOTEMPTY, true},
  };
  LogCapture log;
  const fs::path destination = dir.path() / "kept";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(destination);
    const fs::path kept = c.destinationIsAFullDirectory ? destination / "inner.txt" : destination;
    writeFile(kept, "the old content");
    server.enqueue(c.reply);
    auto d = downloader("/f", destination);
    d->setRetryPolicy(RetryPolicy::none());  // each failure as it is (retries: the emulator tests)
    auto probe = Probe::make();
    const auto result = probe->run(*d);
    ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
    EXPECT_EQ(result->error().kind, c.kind);
    EXPECT_EQ(result->error().code, c.code);
    EXPECT_FALSE(result->error().isCancelled());
    EXPECT_EQ(d->state(), DownloadState::failed);
    EXPECT_FALSE(d->resumeData().has_value());
    EXPECT_EQ(readFile(kept), "the old content");
    EXPECT_TRUE(partialFiles(dir.path()).empty());
    if (c.kind == DownloadError::Kind::httpStatus) {
      const std::string message = "response status code = " + std::to_string(c.code);
      EXPECT_EQ(result->error().message, message);
      EXPECT_TRUE(probe->fractions().empty());
      EXPECT_TRUE(log.waitFor("down file error = " + message));
    }
  }

  // Nothing is created on the way to a destination that does not exist yet either.
  server.enqueue(notFound);
  auto d = downloader("/missing", dir.path() / "new" / "dir" / "x.bin");
  const auto result = Probe::make()->run(*d);
  ASSERT_TRUE(result && !result->isSuccess());
  EXPECT_FALSE(fs::exists(dir.path() / "new"));
}

TEST_F(DownloadTest, CancelStopsTheTransferAndReportsTheCancellation) {
  // Before the answer has begun.
  Reply late = bodyReply("never seen");
  late.delay = 20s;
  server.enqueue(late);
  const fs::path destination = dir.path() / "cancelled.bin";
  auto d = downloader("/late", destination);
  auto probe = Probe::make();
  d->start(probe->progress(), probe->completion());
  ASSERT_TRUE(server.waitForRequests(1, 10s));
  d->cancel();
  auto result = probe->wait();
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_TRUE(result->error().isCancelled());
  EXPECT_EQ(result->error().kind, DownloadError::Kind::cancelled);
  EXPECT_EQ(result->error().code, DownloadError::kCancelledCode);
  EXPECT_EQ(result->error().message, "cancelled");
  EXPECT_EQ(d->state(), DownloadState::failed);  // idle from cancel(), then failed by the report
  EXPECT_FALSE(d->resumeData().has_value());
  EXPECT_FALSE(fs::exists(destination));
  d->cancel();  // after the end: no second outcome
  EXPECT_EQ(d->state(), DownloadState::idle);
  EXPECT_EQ(probe->completions(), 1u);

  // In the middle of the body, with a partial file on disk.
  const std::string body = test::randomBytes(4 * 1024 * 1024, 4);
  // Shared with the handler: a cancelled request may still reach it after the test.
  auto file = std::make_shared<RangeFile>(body, "\"c\"");
  server.setHandler([file](const RecordedRequest& r) { return file->answer(r); });
  auto slow = downloader("/big", destination);
  slow->setMaxBytesPerSecond(256 * 1024);
  auto mid = Probe::make();
  slow->start(mid->progress(), mid->completion());
  ASSERT_TRUE(mid->waitForProgress());
  EXPECT_EQ(partialFiles(dir.path()).size(), 1u);
  slow->cancel();
  result = mid->wait();
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_TRUE(result->error().isCancelled());
  EXPECT_FALSE(fs::exists(destination));
  EXPECT_TRUE(partialFiles(dir.path()).empty());

  // While paused: the resume point and its file go, and there is no transfer left to report.
  auto paused = downloader("/big", destination);
  auto before = Probe::make();
  ASSERT_GT(startAndPause(*paused, before), 0u);
  paused->cancel();
  EXPECT_EQ(paused->state(), DownloadState::idle);
  EXPECT_FALSE(paused->resumeData().has_value());
  EXPECT_TRUE(partialFiles(dir.path()).empty());
  EXPECT_EQ(before->completions(), 0u);

  // Right after a resumed start, while the partial file's bytes are hashed (or just after):
  // pause keeps the resume point, cancel drops it.
  auto resumed = downloader("/big", destination);
  ASSERT_FALSE(resumed->setExpectedSha256(util::toHex(util::sha256(body).value())).has_value());
  ASSERT_GT(startAndPause(*resumed), 0u);
  resumed->setMaxBytesPerSecond(256 * 1024);  // no time to finish before the pause
  auto hashing = Probe::make();
  hashing->start(*resumed);
  resumed->pause();
  EXPECT_EQ(resumed->state(), DownloadState::paused);
  EXPECT_TRUE(resumed->resumeData().has_value());
  EXPECT_EQ(partialFiles(dir.path()).size(), 1u);
  auto again = Probe::make();
  again->start(*resumed);
  resumed->cancel();
  result = again->wait();
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_TRUE(result->error().isCancelled());
  EXPECT_FALSE(resumed->resumeData().has_value());
  EXPECT_TRUE(partialFiles(dir.path()).empty());
  EXPECT_FALSE(fs::exists(destination));
  EXPECT_EQ(hashing->completions(), 0u);
}

TEST_F(DownloadTest, APausedDownloadContinuesAndAnExpectedSha256GuardsTheDestination) {
  const std::string body = test::randomBytes(2 * 1024 * 1024, 30);
  std::string corrupt = body;
  for (std::size_t i = 1000; i < 1004; ++i) corrupt[i] = static_cast<char>(~corrupt[i]);
  const std::string changed = test::randomBytes(1024 * 1024 + 5, 31);
  auto hashOf = [](std::string_view bytes) { return util::toHex(util::sha256(bytes).value()); };
  std::string upper = hashOf(body);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });

  // After a pause: the same downloader starts again, or a fresh one takes the resume data (with
  // another signature in its link), or the same one starts after the file changed on the server.
  enum class Resume { no, same, fresh, afterAChange };
  struct Case {
    const char* name;
    std::string served;
    std::string hash;  // none when empty
    Resume resume;
    bool verified = true;
  };
  const Case cases[] = {
      {"paused and started again", body, "", Resume::same},
      {"resumed by a fresh downloader", body, "", Resume::fresh},
      {"changed on the server while paused", body, "", Resume::afterAChange},
      {"the right hash", body, hashOf(body), Resume::no},
      {"the right hash in upper case", body, upper, Resume::no},
      {"an empty body and its hash", "", hashOf(""), Resume::no},
      {"a body corrupted by the server", corrupt, hashOf(body), Resume::no, false},
      {"resumed with the right hash", body, hashOf(body), Resume::same},
      {"resumed by a fresh downloader with the right hash", body, hashOf(body), Resume::fresh},
      {"resumed by a fresh downloader, corrupted", corrupt, hashOf(body), Resume::fresh, false},
      {"resumed with another hash", body, hashOf(changed), Resume::same, false},
      {"started over by a 200, with the new file's hash", body, hashOf(changed), Resume::afterAChange},
  };
  const fs::path destination = dir.path() / "big.bin";
  const std::string old = "the good bytes that were here";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RangeFile file(c.served, "\"v1\"");
    server.reset();
    server.setHandler([&](const RecordedRequest& r) { return file.answer(r); });
    writeFile(destination, old);
    LogCapture log;
    auto d = downloader("/files/big.bin?sig=x", destination);
    ASSERT_FALSE(!c.hash.empty() && d->setExpectedSha256(c.hash).has_value());
    std::uintmax_t kept = 0;
    if (c.resume != Resume::no) {
      kept = startAndPause(*d);
      ASSERT_GT(kept, 0u);
      ASSERT_LT(kept, c.served.size());
      EXPECT_TRUE(readFile(partialFiles(dir.path()).at(0)) == c.served.substr(0, kept));
      EXPECT_EQ(readFile(destination), old);
      d->pause();  // nothing running: nothing changes
      EXPECT_EQ(d->state(), DownloadState::paused);
      if (c.resume == Resume::fresh) {
        const auto token = d->resumeData().value();
        d = downloader("/files/big.bin?sig=y", destination);
        ASSERT_FALSE(d->setResumeData(token).has_value());
        ASSERT_FALSE(!c.hash.empty() && d->setExpectedSha256(c.hash).has_value());
      } else if (c.resume == Resume::afterAChange) {
        file.replace(changed, "\"v2\"");
      }
    }
    auto probe = Probe::make();
    const auto result = probe->run(*d);
    ASSERT_TRUE(result.has_value());
    const std::string& now = c.resume == Resume::afterAChange ? changed : c.served;
    if (c.verified) {
      ASSERT_TRUE(result->isSuccess()) << describe(result);
      EXPECT_TRUE(readFile(destination) == now);
      EXPECT_EQ(d->state(), DownloadState::completed);
      if (!now.empty()) {
        EXPECT_EQ(probe->fractions().back(), 1.0);
      }
    } else {
      ASSERT_FALSE(result->isSuccess());
      EXPECT_EQ(result->error().kind, DownloadError::Kind::verification);
      EXPECT_EQ(result->error().code, -1);
      EXPECT_EQ(result->error().message, "SHA-256 mismatch: expected " + c.hash + ", got " + hashOf(now));
      EXPECT_EQ(readFile(destination), old);
      EXPECT_EQ(d->state(), DownloadState::failed);
    }
    EXPECT_FALSE(d->resumeData().has_value());
    EXPECT_TRUE(partialFiles(dir.path()).empty());
    if (c.resume == Resume::no) continue;
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].headerCount("Range"), 0u);
    EXPECT_EQ(requests[1].target, c.resume == Resume::fresh ? "/files/big.bin?sig=y" : "/files/big.bin?sig=x");
    EXPECT_EQ(requests[1].header("Range"), "bytes=" + std::to_string(kept) + "-");
    EXPECT_EQ(requests[1].header("If-Range"), "\"v1\"");
    EXPECT_TRUE(log.waitFor("Continue downloading from the resume point: big.bin"));
    // Progress goes on from where the file stood.
    if (c.resume != Resume::afterAChange && c.verified) {
      EXPECT_GT(probe->fractions().front(), static_cast<double>(kept) / static_cast<double>(body.size()));
    }
  }

  // Anything but 64 hex digits is refused and leaves the hash in force (here a wrong one).
  server.reset();
  server.setHandler([&](const RecordedRequest&) { return bodyReply(body); });
  auto d = downloader("/checked.bin", destination);
  ASSERT_FALSE(d->setExpectedSha256(hashOf(changed)).has_value());
  const std::string good = hashOf(body);
  for (const std::string& bad : {std::string(), good.substr(1), good + "0", "g" + good.substr(1), " " + good.substr(1)}) {
    const auto error = d->setExpectedSha256(bad);
    ASSERT_TRUE(error.has_value()) << bad;
    EXPECT_EQ(error->kind, DownloadError::Kind::verification);
  }
  auto result = Probe::make()->run(*d);
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_EQ(result->error().kind, DownloadError::Kind::verification);
}

TEST_F(DownloadTest, LongNamesHavePartialFilesOfTheirOwnWithinTheNameLimit) {
  const std::string body = test::randomBytes(2 * 1024 * 1024, 32);
  RangeFile file(body, "\"L\"");
  server.setHandler([&](const RecordedRequest& r) { return file.answer(r); });
  std::string name = "a";
  for (int i = 0; i < 127; ++i) name += "\xC3\xA9";          // 255 bytes of "aéé…"
  const std::string twin = name.substr(0, 253) + "\xC3\xB6";  // the same but for its last letter

  auto d = downloader("/long.bin", dir.path() / name);
  ASSERT_GT(startAndPause(*d), 0u);
  const std::string partial = partialFiles(dir.path()).at(0).filename().string();
  EXPECT_LE(partial.size(), 255u);
  EXPECT_TRUE(util::isValidUtf8(partial)) << partial;  // cut between characters
  const auto token = d->resumeData().value();
  EXPECT_TRUE(downloader("/long.bin", dir.path() / twin)->setResumeData(token).has_value());
  auto fresh = downloader("/long.bin", dir.path() / name);
  ASSERT_FALSE(fresh->setResumeData(token).has_value());
  const auto result = Probe::make()->run(*fresh);
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(dir.path() / name) == body);
  EXPECT_TRUE(server.requests().back().header("Range").has_value());
}

TEST_F(DownloadTest, ResumeDataIsCheckedBeforeItIsUsed) {
  const fs::path destination = dir.path() / "target.bin";
  const std::string url = server.baseUrl() + "/target.bin?sig=1";
  const fs::path partial = dir.path() / ".target.bin.0123456789ABCDEF.qbpart";
  const download::ResumeToken good{url, "\"e\"", 3, partial};
  const auto bytes = download::encodeResumeToken(good);
  ASSERT_TRUE(std::holds_alternative<download::ResumeToken>(download::decodeResumeToken(bytes)));
  EXPECT_EQ(std::get<download::ResumeToken>(download::decodeResumeToken(bytes)), good);

  ResumableDownloader d(url, destination, kSession);
  auto rejected = [&](std::span<const std::uint8_t> data) {
    const auto error = d.setResumeData(data);
    return error.has_value() && error->kind == DownloadError::Kind::resumeData && error->code == -1;
  };
  EXPECT_TRUE(rejected({}));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto corrupt = bytes;
    corrupt[i] ^= 0x20;
    EXPECT_TRUE(rejected(corrupt)) << "byte " << i;
    EXPECT_TRUE(rejected(std::span(bytes).first(i))) << "cut at " << i;
  }
  auto extended = bytes;
  extended.push_back(0);
  EXPECT_TRUE(rejected(extended));

  // Well-formed, but not for this downloader: another file, another destination, or a partial
  // file that is not one of its own (which cancel() would delete).
  EXPECT_TRUE(rejected(download::encodeResumeToken({server.baseUrl() + "/other.bin", "\"e\"", 3, partial})));
  EXPECT_TRUE(rejected(download::encodeResumeToken({url, "\"e\"", 3, dir.path() / ".other.bin.0123456789ABCDEF.qbpart"})));
  EXPECT_TRUE(rejected(download::encodeResumeToken({url, "\"e\"", 3, dir.path() / "precious.txt"})));
  EXPECT_TRUE(rejected(download::encodeResumeToken({url, "\"e\"\r\nX-Injected: 1", 3, partial})));
  EXPECT_EQ(d.state(), DownloadState::idle);
  EXPECT_FALSE(d.resumeData().has_value());

  // Accepted, but its partial file is gone: a clear failure, after which start() begins afresh.
  EXPECT_FALSE(d.setResumeData(download::encodeResumeToken({server.baseUrl() + "/target.bin?sig=old", "\"e\"", 3, partial}))
                   .has_value());
  EXPECT_TRUE(d.resumeData().has_value());
  auto result = Probe::make()->run(d);
  ASSERT_TRUE(result && !result->isSuccess());
  EXPECT_EQ(result->error().kind, DownloadError::Kind::resumeData);
  EXPECT_EQ(d.state(), DownloadState::failed);
  EXPECT_FALSE(d.resumeData().has_value());
  EXPECT_EQ(server.requestCount(), 0u);

  // A partial file shorter than the token says is no use either, and is removed.
  writeFile(partial, "x");
  ASSERT_FALSE(d.setResumeData(bytes).has_value());
  result = Probe::make()->run(d);
  ASSERT_TRUE(result && !result->isSuccess());
  EXPECT_EQ(result->error().kind, DownloadError::Kind::resumeData);
  EXPECT_FALSE(fs::exists(partial));
  EXPECT_EQ(server.requestCount(), 0u);

  // The next start begins afresh.
  server.enqueue(bodyReply("fresh"));
  result = Probe::make()->run(d);
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_EQ(readFile(destination), "fresh");
  EXPECT_EQ(server.requests().at(0).headerCount("Range"), 0u);
}

TEST_F(DownloadTest, ResumingAFileThatWasAlreadyWholeAndRangesThatDoNotFit) {
  const std::string body = test::randomBytes(64 * 1024, 9);
  RangeFile file(body, "\"w\"");
  auto ranged = [&](std::string range, std::string part, bool closeDelimited) {
    Reply reply;
    reply.status = 206;
    reply.noContentLength = closeDelimited;
    reply.headers = {{"ETag", "\"w\""}, {"Content-Range", std::move(range)}};
    reply.body = std::move(part);
    return reply;
  };
  struct Case {
    const char* name;
    std::size_t offset;  // bytes in the partial file
    std::optional<Reply> reply;  // none: the file server's own answer
    std::string failure;  // none when empty
    std::uintmax_t keptAfterFailure = 0;
  };
  const Case cases[] = {
      // Every byte had arrived before the pause: the server answers 416 and the file is complete.
      {"416 for a whole file", body.size(), std::nullopt, ""},
      // A close-delimited 206 promising more than arrives: never a success; the partial file
      // stays for the next attempt.
      {"a 206 that ends short", 1000, ranged("bytes 1000-65535/65536", body.substr(1000, 20000), true),
       "the body ended after 21000 of 65536 bytes", 21000},
      // A 206 for another range than the one asked for is refused before any byte is written.
      {"a 206 of another range", 1000, ranged("bytes 0-65535/65536", body, false),
       "the server sent the range \"bytes 0-65535/65536\" where bytes from 1000 were asked for", 1000},
  };
  const fs::path destination = dir.path() / "r.bin";
  const std::string url = server.baseUrl() + "/r.bin";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(destination);
    server.reset();
    server.setHandler([&](const RecordedRequest& r) { return c.reply ? *c.reply : file.answer(r); });
    const fs::path part = dir.path() / ".r.bin.00000000000000AA.qbpart";
    writeFile(part, body.substr(0, c.offset));
    ResumableDownloader d(url, destination, kSession);
    d.setRetryPolicy(RetryPolicy::none());
    ASSERT_FALSE(d.setResumeData(download::encodeResumeToken({url, "\"w\"", static_cast<std::int64_t>(c.offset), part}))
                     .has_value());
    const auto result = Probe::make()->run(d);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(server.requests().at(0).header("Range"), "bytes=" + std::to_string(c.offset) + "-");
    if (c.failure.empty()) {
      ASSERT_TRUE(result->isSuccess()) << describe(result);
      EXPECT_TRUE(readFile(destination) == body);
      continue;
    }
    ASSERT_FALSE(result->isSuccess());
    EXPECT_EQ(result->error().kind, DownloadError::Kind::incomplete);
    EXPECT_EQ(result->error().message, c.failure);
    EXPECT_FALSE(fs::exists(destination));
    EXPECT_TRUE(d.resumeData().has_value());
    EXPECT_EQ(fs::file_size(part), c.keptAfterFailure);
  }
}

TEST_F(DownloadTest, ABodyCutShortIsResumedByItselfOrStartedOverWhenTheFileChanged) {
  // A close-delimited 206 ends cleanly before the total its Content-Range names: libcurl
  // sees no error, the downloader sees the missing bytes and asks for them.
  const std::string body = test::randomBytes(64 * 1024, 15);
  RangeFile file(body, "\"w\"");
  Reply cut;
  cut.status = 206;
  cut.noContentLength = true;
  cut.headers = {{"ETag", "\"w\""}, {"Content-Range", "bytes 1000-65535/65536"}};
  cut.body = body.substr(1000, 20000);
  server.enqueue(cut);
  server.setHandler([&](const RecordedRequest& r) { return file.answer(r); });
  const fs::path destination = dir.path() / "r.bin";
  const std::string url = server.baseUrl() + "/r.bin";
  const fs::path part = dir.path() / ".r.bin.00000000000000AB.qbpart";
  writeFile(part, body.substr(0, 1000));
  ResumableDownloader d(url, destination, kSession);
  d.setRetryPolicy(RetryPolicy{2, 1ms, 1ms});
  ASSERT_FALSE(d.setExpectedSha256(util::toHex(util::sha256(body).value())).has_value());
  ASSERT_FALSE(d.setResumeData(download::encodeResumeToken({url, "\"w\"", 1000, part})).has_value());
  const auto result = Probe::make()->run(d);
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(destination) == body);
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].header("Range"), "bytes=21000-");
  EXPECT_EQ(requests[1].header("If-Range"), "\"w\"");

  // Cut short, and changed on the server before the next attempt: its 200 starts over, and the
  // progress shown holds until the new transfer passes it.
  server.reset();
  const std::string changed = test::randomBytes(1024 * 1024, 16);
  RangeFile now(changed, "\"v2\"");
  Reply old = bodyReply(test::randomBytes(1024 * 1024, 17));
  old.headers.emplace_back("ETag", "\"v1\"");
  old.closeAfterBodyBytes = 700 * 1024;
  server.enqueue(old);
  server.setHandler([&](const RecordedRequest& r) { return now.answer(r); });
  ResumableDownloader again(url, destination, kSession);
  again.setRetryPolicy(RetryPolicy{2, 1ms, 1ms});
  again.setMaxBytesPerSecond(2 * 1024 * 1024);  // several progress reports on each attempt
  auto over = Probe::make();
  const auto whole = over->run(again);
  ASSERT_TRUE(whole && whole->isSuccess()) << describe(whole);
  EXPECT_TRUE(readFile(destination) == changed);
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(server.requests()[1].header("If-Range"), "\"v1\"");
  const auto fractions = over->fractions();
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_EQ(fractions.back(), 1.0);
}

TEST_F(DownloadTest, ManyDownloadsAtOnceShareAFewThreadsEachWithItsOwnBytesAndOneOutcome) {
  constexpr std::size_t kDownloads = 64;
  std::vector<std::string> bodies;
  for (std::size_t i = 0; i < kDownloads; ++i) bodies.push_back(test::randomBytes(256 * 1024 + i, 100 + i));
  server.setHandler([&](const RecordedRequest& r) {
    Reply reply = bodyReply(bodies.at(std::stoul(r.target.substr(1))));
    reply.delay = 200ms;  // so that all of them are in flight at once
    return reply;
  });
  const std::size_t before = test::processThreads();
  transport::TransportOptions two;
  two.downloadLoops = 2;
  two.downloadCallbackThreads = 2;
  auto loops = transport::DownloadLoops::make(two);
  const std::size_t withLoops = test::processThreads();
  std::vector<std::shared_ptr<Probe>> probes;
  for (std::size_t i = 0; i < kDownloads; ++i) {
    probes.push_back(Probe::make());
    // Nobody keeps the handles: each download keeps itself, and the loops, alive until it has reported.
    download::startDownload(server.baseUrl() + "/" + std::to_string(i), "", dir.path() / (std::to_string(i) + ".bin"),
                            probes.back()->progress(), probes.back()->completion(), loops);
  }
  loops.reset();
  std::size_t peak = test::processThreads();
  for (std::size_t i = 0; i < kDownloads; ++i) {
    SCOPED_TRACE(i);
    std::optional<DownloadResult> result;
    for (int polls = 0; !result && polls < 6000; ++polls) {
      peak = std::max(peak, test::processThreads());
      result = probes[i]->wait(10ms);
    }
    ASSERT_TRUE(result && result->isSuccess()) << describe(result);
    EXPECT_TRUE(readFile(dir.path() / (std::to_string(i) + ".bin")) == bodies[i]);
    EXPECT_EQ(probes[i]->fractions().back(), 1.0);
    EXPECT_FALSE(probes[i]->progressAfterCompletion());
    EXPECT_EQ(probes[i]->threads().count(std::this_thread::get_id()), 0u);
  }
  EXPECT_LE(peak, withLoops + 1);  // one more: the reaper that may take the loops away at the end
  EXPECT_EQ(server.connectionCount(), kDownloads);  // a connection each, none shared
  for (const auto& probe : probes) EXPECT_EQ(probe->completions(), 1u);
  // The last download took the loops with it, from one of their own callback threads; a
  // reaper thread may remain.
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (test::processThreads() > before + 1 && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
  EXPECT_LE(test::processThreads(), before + 1);
}

TEST_F(DownloadTest, TheLastReferenceMayGoInTheCompletion) {
  const std::string body = test::randomBytes(200 * 1024, 13);
  Reply slow = bodyReply(body);
  slow.delay = 200ms;
  server.setHandler([&](const RecordedRequest&) { return slow; });

  // The completion itself drops the last handle, on a callback thread.
  auto held = std::make_shared<std::pair<std::mutex, std::shared_ptr<Cancelable>>>();
  auto done = std::make_shared<std::promise<bool>>();
  auto future = done->get_future();
  auto handle = download::startDownload(server.baseUrl() + "/b", "", dir.path() / "b.bin", {},
                                        [held, done](DownloadResult r) {
                                          std::shared_ptr<Cancelable> last;
                                          {
                                            std::lock_guard lock(held->first);
                                            last = std::move(held->second);
                                          }
                                          last.reset();
                                          done->set_value(r.isSuccess());
                                        });
  {
    std::lock_guard lock(held->first);
    held->second = std::move(handle);
  }
  ASSERT_EQ(future.wait_for(30s), std::future_status::ready);
  EXPECT_TRUE(future.get());
  EXPECT_TRUE(readFile(dir.path() / "b.bin") == body);
}

TEST_F(DownloadTest, AStalledTransferFailsButASlowSteadyOneDoesNot) {
  transport::TransportOptions impatient;
  impatient.downloadStallTimeout = 1s;
  const auto loops = transport::DownloadLoops::make(impatient);
  Reply stalled = bodyReply("late");
  stalled.delay = 6s;
  server.enqueue(stalled);
  ResumableDownloader d(server.baseUrl() + "/stalled", dir.path() / "stalled.bin", kSession, loops);
  d.setRetryPolicy(RetryPolicy::none());  // the stall as it is (retries: the emulator tests)
  auto result = Probe::make()->run(d);
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_EQ(result->error().kind, DownloadError::Kind::transport);
  EXPECT_EQ(result->error().code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_THAT(result->error().message, HasSubstr("Timeout was reached"));

  // Longer in total than the stall time-out, but never standing still.
  const std::string body = test::randomBytes(640 * 1024, 14);
  server.enqueue(bodyReply(body));
  ResumableDownloader steady(server.baseUrl() + "/steady", dir.path() / "steady.bin", kSession, loops);
  steady.setMaxBytesPerSecond(256 * 1024);
  result = Probe::make()->run(steady);
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(dir.path() / "steady.bin") == body);
}

// Folders made on the way and a file replaced: the whole downloads above.
TEST_F(DownloadTest, MoveTempFileReplacesAnEmptyDirectoryAndNeedsItsSource) {
  // An empty directory in the way is replaced (one with content is not: see the failure cases).
  const fs::path emptyDir = dir.path() / "empty";
  fs::create_directories(emptyDir);
  ResumableDownloader d(server.baseUrl() + "/unused", emptyDir, kSession);
  const fs::path source = dir.path() / "finished.tmp";
  writeFile(source, "three");
  EXPECT_FALSE(d.moveTempFile(source).has_value());
  EXPECT_EQ(readFile(emptyDir), "three");
  EXPECT_FALSE(fs::exists(source));

  const auto missing = d.moveTempFile(dir.path() / "no-such-file");
  ASSERT_TRUE(missing.has_value());
  EXPECT_EQ(missing->code, ENOENT);
  EXPECT_EQ(readFile(emptyDir), "three");
}

TEST(DownloadText, FractionsAndFileNamesAsTheLogShowsThem) {
  EXPECT_EQ(download::formatFraction(1.0), "1.0");
  EXPECT_EQ(download::formatFraction(0.5), "0.5");
  EXPECT_EQ(download::formatFraction(1.0 / 3.0), "0.3333333333333333");
  EXPECT_EQ(download::formatFraction(-2048.0), "-2048.0");
  EXPECT_EQ(download::formatFraction(1e-05), "1e-05");

  EXPECT_EQ(download::lastPathComponent("https://h.example/a/b/report%20final.pdf?sig=x#top"), "report final.pdf");
  EXPECT_EQ(download::lastPathComponent("https://h.example/a/dir/"), "dir");
  EXPECT_EQ(download::lastPathComponent("https://h.example/"), "/");
  EXPECT_EQ(download::lastPathComponent("https://h.example"), "/");
  EXPECT_EQ(download::lastPathComponent("https://h.example/100%"), "100%");
}

}  // namespace
}  // namespace quillbox
