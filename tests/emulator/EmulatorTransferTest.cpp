// Whole-file uploads and downloads with the SDK's engines against the
// emulator, and every kind of fault as the SDK experiences it.

#include <gmock/gmock.h>

#include <filesystem>

#include "SdkHarness.hpp"
#include "support/Callbacks.hpp"
#include "support/DownloadProbe.hpp"
#include "support/UploadEvents.hpp"
#include "download/TransferDownload.hpp"
#include "emulator/Crypto.hpp"
#include "quillbox/download/ITransfer.hpp"
#include "quillbox/download/ResumableDownloader.hpp"
#include "quillbox/upload/Sha256SliceFile.hpp"
#include "transport/DownloadLoops.hpp"

namespace quillbox::test {
namespace {

namespace fs = std::filesystem;
namespace bj = boost::json;

class EmulatorTransferTest : public SdkTest {
 protected:
  fs::path writeFile(const std::string& name, std::size_t size, unsigned seed) {
    return temp_.write(name, randomBytes(size, seed));
  }

  UploadProcessResult upload(const fs::path& file, std::int64_t partSize = 64 * 1024, UploadEvents* events = nullptr) {
    UploadEvents local;
    UploadEvents& e = events ? *events : local;
    cloud().getTransferImpl().uploadFile("root", file, "", 2, std::make_shared<Sha256SliceFile>(partSize), e.callback());
    return e.outcome().value_or(uploadResult::onFailure{-999, "test: no outcome"});
  }

  /// The id of the file named `name` in the root folder.
  std::string idOf(const std::string& name) {
    for (const auto& f : rootFiles()) {
      if (f.fileName == name) return *f.id;
    }
    return {};
  }
  std::string linkOf(const std::string& fileId) {
    GetDownloadUrlBean bean;
    bean.fileIds = std::vector<std::string>{fileId};
    auto r = sdk<GetDownloadUrlResponse>([&](auto cb) { cloud().getFileImpl().getDownloadUrl(bean, cb); });
    return r.isSuccess() ? r.value().downloads->front().url.value_or("") : std::string();
  }
  std::int64_t partsReceived() { return controlJson("/_emulator/stats").at("partsReceived").as_int64(); }
  /// The GETs of downloads in the request log, oldest first.
  std::vector<bj::object> downloadGets() { return logged("GET", "/_download/"); }
  /// A file of `size` bytes uploaded as `name`; its content and its download link.
  std::pair<std::string, std::string> uploaded(const std::string& name, std::size_t size, unsigned seed) {
    const fs::path file = writeFile(name, size, seed);
    EXPECT_TRUE(std::holds_alternative<uploadResult::onSuccess>(upload(file, 1 << 20)));
    return {readFile(file), linkOf(idOf(name))};
  }

  TempDir temp_{"qbemu-transfer"};
  const fs::path& dir_ = temp_.path();
};

TEST_F(EmulatorTransferTest, UploadsMultipartThenRapidThenExist) {
  const fs::path file = writeFile("video.mp4", 300 * 1024 + 17, 1);
  fs::copy_file(file, dir_ / "again.mp4");
  fs::create_directory(dir_ / "other");
  const fs::path clash = temp_.write("other/video.mp4", randomBytes(1000, 9));
  const fs::path empty = writeFile("empty.txt", 0, 2);
  // In order: each case may rely on the ones before it. The outcome names the
  // file as the listing shows it.
  struct Case {
    const char* what;
    fs::path file;
    const char* msg;
    const char* storedName;
    std::int64_t parts;  // sent by this upload, each with its onItemFinish
  };
  const Case cases[] = {
      {"multipart", file, "success", "video.mp4", 5},
      {"the same content under another name: rapid", dir_ / "again.mp4", "rapid success", "again.mp4", 0},
      {"the same name and content in the same folder", file, "exist success", "video.mp4", 0},
      {"another content under a taken name: renamed", clash, "success", "video (1).mp4", 1},
      {"an empty file", empty, "success", "empty.txt", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::int64_t partsBefore = partsReceived();
    UploadEvents events;
    const UploadProcessResult outcome = upload(c.file, 64 * 1024, &events);
    const auto* success = std::get_if<uploadResult::onSuccess>(&outcome);
    ASSERT_NE(success, nullptr);
    EXPECT_EQ(success->code, 0);
    EXPECT_EQ(success->msg, c.msg);
    EXPECT_EQ(success->fileName, c.storedName);
    const std::string listed = idOf(c.storedName);
    EXPECT_FALSE(listed.empty());
    EXPECT_EQ(success->fileId, listed);
    EXPECT_EQ(partsReceived() - partsBefore, c.parts);
    EXPECT_EQ(events.only<uploadResult::onItemFinish>().size(), static_cast<std::size_t>(c.parts));
  }

  const auto detail = fileDetail(idOf("video.mp4"));
  ASSERT_TRUE(detail.isSuccess()) << detail.message();
  EXPECT_EQ(detail.value().sha256, emulator::sha256Hex(readFile(file)));
  EXPECT_EQ(detail.value().fileType, "20") << "the SDK's file type code is kept";
  EXPECT_EQ(detail.value().mimeType, "video/mp4");
}

TEST_F(EmulatorTransferTest, ApiFaultsDelaysAndStallsReachTheCallerAsTheFailuresTheyAre) {
  // One attempt each, so that each fault is what the caller sees; short limits.
  CloudInstance::Options limits;
  limits.connectTimeout = std::chrono::seconds(5);
  limits.stallTimeout = std::chrono::seconds(1);
  limits.retry = RetryPolicy::none();
  const auto quick = ownClient(limits);
  IUser& users = quick->getUserImpl();
  auto space = [&] { return sdk<GetSpaceResp>([&](auto cb) { users.getSpace(GetSpaceBean(), cb); }); };

  arm(R"({"path":"/quillbox/ose/v1/space/*","kind":"status","status":503,"code":42,"msg":"maintenance"})");
  auto status = space();
  EXPECT_EQ(status.code(), 42);
  EXPECT_EQ(status.message(), "maintenance");

  // (A reset before any byte of the answer looks to libcurl like a pooled
  // connection the server had closed, and it sends the request again; a
  // reset after the head is reported.) Delayed or stalled after the head,
  // where no body byte moves, longer than the client waits: a time-out.
  // (Bytes received shortly before keep libcurl's measured speed up for a
  // few seconds.)
  for (const char* fault : {R"({"path":"/quillbox/ose/v1/space/*","kind":"reset","afterBytes":0})",
                            R"({"path":"/quillbox/ose/v1/space/*","kind":"truncate","afterBytes":10})",
                            R"({"path":"/quillbox/ose/v1/space/*","kind":"delay","ms":20000})",
                            R"({"path":"/quillbox/ose/v1/space/*","kind":"stall","afterBytes":0,"ms":20000})"}) {
    arm(fault);
    auto failed = space();
    EXPECT_EQ(failed.message().rfind("request error ", 0), 0u) << fault << ": " << failed.message();
    http("DELETE", url("/_emulator/faults"));
  }

  arm(R"({"path":"/quillbox/ose/v1/space/*","kind":"corrupt","offset":0,"length":2})");
  auto corrupt = space();
  EXPECT_EQ(corrupt.code(), -1);
  EXPECT_EQ(corrupt.message().rfind("str to bean error ", 0), 0u) << corrupt.message();

  // A short delay is only a delay.
  arm(R"({"path":"/quillbox/ose/v1/space/*","kind":"delay","ms":200})");
  EXPECT_TRUE(space().isSuccess());
  EXPECT_TRUE(controlJson("/_emulator/faults").at("faults").as_array().empty());
  EXPECT_EQ(controlJson("/_emulator/faults").at("fired").as_int64(), 7);
}

// A part refused by its status fails the upload: see EmulatorRetryTest.cpp.
TEST_F(EmulatorTransferTest, UploadFaultsFailTheUpload) {
  // A part whose bytes are damaged on the way: complete's hash check refuses the file.
  const fs::path b = writeFile("b.bin", 200 * 1024, 5);
  arm(R"({"path":"/_upload/*/3","kind":"corrupt","direction":"request","offset":100,"length":4})");
  EXPECT_EQ(upload(b), UploadProcessResult(uploadResult::onFailure{-1006, "file invaild"}));
  auto log = controlJson("/_emulator/requests").at("requests").as_array();
  ASSERT_FALSE(log.empty());
  // A refusal stored nothing: complete is the last request, not checked by a second create.
  EXPECT_EQ(std::string(log.back().as_object().at("path").as_string()), "/quillbox/ose/v1/files/complete");
  EXPECT_EQ(log.back().as_object().at("status").as_int64(), 400);
  EXPECT_TRUE(idOf("b.bin").empty());

  // A reset in the middle of the create request.
  const fs::path c = writeFile("c.bin", 1000, 6);
  arm(R"({"path":"/quillbox/ose/v1/files/create","kind":"reset","afterBytes":0})");
  EXPECT_EQ(upload(c), UploadProcessResult(uploadResult::onFailure{-1006, "file invaild"}));
  // With nothing armed the same files go up.
  EXPECT_TRUE(std::holds_alternative<uploadResult::onSuccess>(upload(b)));
}

TEST_F(EmulatorTransferTest, DownloadFaultsFailTheDownloadOrDamageTheBytes) {
  const auto doc = uploaded("doc.pdf", 300 * 1024, 7);
  const std::string& content = doc.first;
  const std::string& link = doc.second;  // a plain reference: the lambda below captures it
  // The entry point of the transfer service, on loops with a short stall time-out.
  transport::TransportOptions impatient;
  impatient.downloadConnectTimeout = std::chrono::seconds(5);
  impatient.downloadStallTimeout = std::chrono::seconds(1);
  const auto loops = transport::DownloadLoops::make(impatient);
  // One attempt each, so that each fault is what the caller sees.
  auto fetch = [&](const std::string& name) {
    auto watch = Probe::make();
    auto handle = download::startDownload(link, "", dir_ / name, watch->progress(), watch->completion(), loops,
                                          RetryPolicy::none());
    auto r = watch->wait(std::chrono::seconds(20));
    return r ? *r : DownloadResult::failure(DownloadError{DownloadError::Kind::transport, -999, "test: no outcome"});
  };

  using Kind = DownloadError::Kind;
  struct Case {
    const char* name;
    const char* fault;
    std::vector<Kind> kinds;  // any of these
  };
  const Case cases[] = {
      {"status.pdf", R"("kind":"status","status":404,"msg":"gone")", {Kind::httpStatus}},
      {"reset.pdf", R"("kind":"reset","afterBytes":50000)", {Kind::transport}},
      {"truncated.pdf", R"("kind":"truncate","afterBytes":50000)", {Kind::incomplete, Kind::transport}},
      {"stalled.pdf", R"("kind":"stall","afterBytes":0,"ms":20000)", {Kind::transport}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    arm(std::string(R"({"path":"/_download/*",)") + c.fault + "}");
    const auto failed = fetch(c.name);
    http("DELETE", url("/_emulator/faults"));
    ASSERT_FALSE(failed.isSuccess());
    EXPECT_THAT(c.kinds, ::testing::Contains(failed.error().kind)) << failed.error().message;
    if (failed.error().kind == Kind::httpStatus) {
      EXPECT_EQ(failed.error().code, 404);
    }
    EXPECT_FALSE(fs::exists(dir_ / c.name)) << "a failed download leaves no file";
  }

  // Damaged bytes arrive as a normal download; only the content's hash tells.
  arm(R"({"path":"/_download/*","kind":"corrupt","offset":1234,"length":1})");
  auto damaged = fetch("damaged.pdf");
  ASSERT_TRUE(damaged.isSuccess());
  const std::string got = readFile(dir_ / "damaged.pdf");
  EXPECT_EQ(got.size(), content.size());
  EXPECT_NE(emulator::sha256Hex(got), emulator::sha256Hex(content));
  auto clean = fetch("clean.pdf");
  ASSERT_TRUE(clean.isSuccess());
  EXPECT_TRUE(readFile(dir_ / "clean.pdf") == content);
}

TEST_F(EmulatorTransferTest, ADownloadThatBreaksOffResumesByItselfFromTheBytesWritten) {
  const auto [content, link] = uploaded("movie.bin", 24 << 20, 8);
  ASSERT_FALSE(link.empty());
  // Each strikes the next GET: a 503; after 4 MiB of the answer, three resets and a body that
  // ends before its announced length; and a stall right after the head.
  for (const char* fault : {R"("kind":"status","status":503)", R"("kind":"reset","afterBytes":4194304)",
                            R"("kind":"truncate","afterBytes":4194304)", R"("kind":"reset","afterBytes":4194304)",
                            R"("kind":"stall","afterBytes":0,"ms":20000)", R"("kind":"reset","afterBytes":4194304)"}) {
    arm(std::string(R"({"path":"/_download/*",)") + fault + "}");
  }
  http("DELETE", url("/_emulator/requests"));
  transport::TransportOptions impatient;  // a stall is caught after a second
  impatient.downloadStallTimeout = std::chrono::seconds(1);
  const fs::path dest = dir_ / "got" / "movie.bin";
  ResumableDownloader downloader(link, dest, "com.resumable.download", transport::DownloadLoops::make(impatient));
  downloader.setRetryPolicy(quickRetries(7));
  // The hash goes on across the attempts.
  ASSERT_FALSE(downloader.setExpectedSha256(emulator::sha256Hex(content)).has_value());
  LogCapture log;
  auto probe = Probe::make();
  probe->start(downloader);
  const auto result = probe->wait(std::chrono::seconds(60));
  http("DELETE", url("/_emulator/faults"));  // lets the stalled answer go
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(dest) == content);
  EXPECT_EQ(downloader.state(), DownloadState::completed);
  EXPECT_FALSE(downloader.resumeData().has_value());
  EXPECT_TRUE(partialFiles(dest.parent_path()).empty());

  // Seven GETs: the two first without a range, each later one from where the one before it
  // broke off (the stalled one carried nothing), on the content's validator.
  const auto gets = downloadGets();
  ASSERT_EQ(gets.size(), 7u);
  EXPECT_EQ(gets[0].at("status").as_int64(), 503);
  EXPECT_FALSE(gets[0].contains("range"));
  EXPECT_FALSE(gets[1].contains("range"));
  std::int64_t from = 0;
  for (std::size_t i = 2; i < gets.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(gets[i - 1].contains("fault"));
    const std::string range(gets[i].at("range").as_string());
    ASSERT_TRUE(range.starts_with("bytes=") && range.ends_with("-")) << range;
    const std::int64_t at = std::stoll(range.substr(6));
    if (gets[i - 1].at("fault").as_string() == "stall") {
      EXPECT_EQ(at, from);
    } else {
      EXPECT_GT(at, from);
    }
    from = at;
    EXPECT_EQ(std::string(gets[i].at("ifRange").as_string()), "\"" + emulator::sha256Hex(content) + "\"");
  }
  EXPECT_EQ(gets.back().at("status").as_int64(), 206);
  EXPECT_FALSE(gets.back().contains("fault"));

  // Progress never went back, and ended whole.
  const auto fractions = probe->fractions();
  ASSERT_FALSE(fractions.empty());
  EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
  EXPECT_EQ(fractions.back(), 1.0);
  // One warning line for each retry; the four that broke off after bytes had come went on at once.
  std::size_t retries = 0, atOnce = 0;
  for (const auto& line : log.lines()) {
    retries += line.find("; attempt ") != std::string::npos;
    atOnce += line.ends_with(" in 0 ms");
  }
  EXPECT_EQ(retries, 6u);
  EXPECT_GE(atOnce, 4u);
}

TEST_F(EmulatorTransferTest, ADownloadThatFailsEveryAttemptKeepsWhatArrivedForALaterStart) {
  const auto [content, link] = uploaded("kept.bin", 4 << 20, 9);
  arm(R"({"path":"/_download/*","kind":"reset","afterBytes":524288,"every":1})");
  http("DELETE", url("/_emulator/requests"));
  const fs::path dest = dir_ / "out" / "kept.bin";
  ResumableDownloader downloader(link, dest, "com.resumable.download");
  downloader.setRetryPolicy(quickRetries(3));
  auto probe = Probe::make();
  probe->start(downloader);
  const auto result = probe->wait(std::chrono::seconds(60));
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_NE(result->error().kind, DownloadError::Kind::cancelled);
  EXPECT_EQ(probe->completions(), 1u);
  EXPECT_EQ(downloadGets().size(), 3u);
  http("DELETE", url("/_emulator/faults"));

  // The partial file and the resume point stay; the destination is untouched.
  EXPECT_EQ(downloader.state(), DownloadState::failed);
  const auto token = downloader.resumeData();
  ASSERT_TRUE(token.has_value());
  const auto parts = partialFiles(dest.parent_path());
  ASSERT_EQ(parts.size(), 1u);
  const std::uintmax_t kept = fs::file_size(parts[0]);
  EXPECT_GT(kept, 0u);
  EXPECT_TRUE(readFile(parts[0]) == content.substr(0, kept));
  EXPECT_FALSE(fs::exists(dest));

  // A downloader of another process takes it up and asks only for the rest.
  ResumableDownloader later(link, dest, "com.resumable.download");
  ASSERT_FALSE(later.setResumeData(*token).has_value());
  auto rest = Probe::make();
  rest->start(later);
  const auto done = rest->wait(std::chrono::seconds(60));
  ASSERT_TRUE(done && done->isSuccess()) << describe(done);
  EXPECT_TRUE(readFile(dest) == content);
  EXPECT_EQ(std::string(downloadGets().back().at("range").as_string()),
            "bytes=" + std::to_string(kept) + "-");
  EXPECT_TRUE(partialFiles(dest.parent_path()).empty());
}

TEST_F(EmulatorTransferTest, ACancelDuringTheWaitForTheNextAttemptEndsItAtOnce) {
  const auto [content, link] = uploaded("wait.bin", 2 << 20, 10);
  // The server asks for a minute; the policy would wait it out.
  arm(R"({"path":"/_download/*","kind":"status","status":503,"retryAfter":60})");
  http("DELETE", url("/_emulator/requests"));
  LogCapture log;
  ResumableDownloader downloader(link, dir_ / "cancelled.bin", "com.resumable.download");
  downloader.setRetryPolicy(RetryPolicy{4, std::chrono::milliseconds(2), std::chrono::minutes(2)});
  auto probe = Probe::make();
  probe->start(downloader);
  ASSERT_TRUE(log.waitFor("in 60000 ms", std::chrono::seconds(20)));
  downloader.cancel();
  // Without the wait ending at once no outcome would come for a minute.
  const auto result = probe->wait(std::chrono::seconds(30));
  ASSERT_TRUE(result && !result->isSuccess()) << describe(result);
  EXPECT_TRUE(result->error().isCancelled());
  EXPECT_EQ(probe->completions(), 1u);
  EXPECT_EQ(downloadGets().size(), 1u) << "nothing is sent after the cancel";
  EXPECT_TRUE(partialFiles(dir_).empty());
}

// The Range and If-Range of every resumed GET are checked where a download
// resumes by itself, above.
TEST_F(EmulatorTransferTest, APauseDuringATransferOrTheWaitForTheNextAttemptKeepsTheResumePoint) {
  const auto [content, link] = uploaded("big.bin", 2 << 20, 3);
  ASSERT_FALSE(link.empty());
  const fs::path dest = dir_ / "out" / "big.bin";
  ResumableDownloader downloader(link, dest, "com.resumable.download");
  downloader.setRetryPolicy(RetryPolicy{4, std::chrono::milliseconds(2), std::chrono::minutes(2)});

  // The first transfer stops sending after 100000 bytes; paused there, it keeps the resume point.
  arm(R"({"path":"/_download/*","kind":"stall","afterBytes":100000,"ms":60000})");
  auto first = Probe::make();
  first->start(downloader);
  // Some bytes have arrived and the server has stopped sending.
  auto arrived = [&] { const auto f = first->fractions(); return !f.empty() && f.back() > 0; };
  for (int i = 0; i < 2000 && !arrived(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(arrived());
  std::int64_t held = 0;
  for (int i = 0; i < 500 && held == 0; ++i) {
    held = controlJson("/_emulator/faults").at("held").as_int64();
    if (held == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(held, 1);
  downloader.pause();
  ASSERT_TRUE(downloader.resumeData().has_value());
  http("DELETE", url("/_emulator/faults"));
  http("DELETE", url("/_emulator/requests"));

  // Started again, the rest breaks off after more bytes and the next attempt
  // is asked to wait a minute: paused during that wait, the resume point
  // stays, nothing is reported, and the next start goes on from it.
  arm(R"({"path":"/_download/*","kind":"reset","afterBytes":524288})");
  arm(R"({"path":"/_download/*","kind":"status","status":503,"retryAfter":60})");
  LogCapture log;
  auto second = Probe::make();
  second->start(downloader);
  ASSERT_TRUE(log.waitFor("in 60000 ms", std::chrono::seconds(20)));
  downloader.pause();
  EXPECT_EQ(downloader.state(), DownloadState::paused);
  ASSERT_TRUE(downloader.resumeData().has_value());
  EXPECT_EQ(downloadGets().size(), 2u);

  auto third = Probe::make();
  third->start(downloader);
  const auto result = third->wait(std::chrono::seconds(30));
  ASSERT_TRUE(result && result->isSuccess()) << describe(result);
  EXPECT_TRUE(readFile(dest) == content);
  EXPECT_EQ(first->completions() + second->completions(), 0u);
  EXPECT_TRUE(third->fractions().empty() || third->fractions().front() > 0.0);
  // Each start asked only for what had not arrived.
  const auto gets = downloadGets();
  ASSERT_EQ(gets.size(), 3u);
  ASSERT_TRUE(gets[0].contains("range") && gets[2].contains("range"));
  EXPECT_NE(std::string(gets[0].at("range").as_string()), "bytes=0-");
  EXPECT_EQ(gets[2].at("status").as_int64(), 206);
}

}  // namespace
}  // namespace quillbox::test
