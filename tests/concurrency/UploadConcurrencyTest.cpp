// Eight uploads at once, started from eight threads, share the process-wide
// part queue: never more parts in flight than its width, every byte where it
// belongs, and exactly one outcome per upload, also for uploads cancelled
// while they run.

#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "quillbox/upload/Sha256SliceFile.hpp"
#include "transport/Transport.hpp"
#include "request/Settings.hpp"
#include "services/file/FileImpl.hpp"
#include "support/Callbacks.hpp"
#include "support/LoopbackServer.hpp"
#include "support/TestFiles.hpp"
#include "support/UploadEvents.hpp"
#include "upload/UploadProcessTask.hpp"
#include "util/MainQueue.hpp"
#include "util/NamedOperationQueue.hpp"
#include "util/Sha256.hpp"

namespace quillbox {
namespace {

namespace fs = std::filesystem;
namespace bj = boost::json;
using namespace std::chrono_literals;
using test::RecordedRequest;
using test::Reply;

constexpr int kFiles = 8;
constexpr int kCancelled = 2;  // the last two are cancelled while they run
constexpr std::int64_t kPartSize = 64 * 1024;

std::string sha256Hex(std::string_view bytes) { return util::toHex(*util::sha256(bytes)); }

TEST(UploadConcurrency, EightUploadsShareTheQueueWidthAndEachEndsOnce) {
  test::LogCapture quiet;
  test::TempDir tmp("quillbox-many");
  const fs::path dir = tmp.path();

  // Files of three to five parts, the last one short.
  std::vector<std::string> contents;
  for (int i = 0; i < kFiles; ++i) {
    contents.push_back(test::randomBytes((3 + i % 3) * kPartSize - 1000 * i - 1, 7 + i));
    tmp.write("f" + std::to_string(i) + ".bin", contents.back());
  }

  test::LoopbackServer server(8);
  std::mutex mutex;
  std::map<std::string, std::string> received;  // part target → hash of the body
  std::atomic<int> inFlight{0}, peak{0};
  std::atomic<int> completes{0};
  const std::string base = server.baseUrl();
  server.setHandler([&](const RecordedRequest& r) {
    if (r.target == "/quillbox/ose/v1/files/create") {
      // Every part the client proposes gets a URL of its own.
      const bj::object body = bj::parse(r.body).as_object();
      const std::string name(body.at("fileName").as_string());
      bj::array parts;
      for (const auto& p : body.at("multiParts").as_array()) {
        bj::object part = p.as_object();
        part["uploadUrl"] = base + "/store/" + name + "/" + std::to_string(part.at("partOffset").as_int64()) +
                            "?sig=" + name;
        parts.push_back(part);
      }
      bj::object answer{{"code", 0}, {"rapidUpload", false}, {"exist", false}, {"fileId", name},
                        {"multiParts", parts}};
      return Reply::json(200, bj::serialize(answer));
    }
    if (r.target == "/quillbox/ose/v1/files/complete") {
      ++completes;
      return Reply::json(200, R"({"code":0})");
    }
    const int now = ++inFlight;
    for (int seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
    {
      std::lock_guard lock(mutex);
      received[r.target.substr(0, r.target.find('?'))] = sha256Hex(r.body);
    }
    std::this_thread::sleep_for(2ms);  // let parts of different files overlap
    --inFlight;
    return Reply{};
  });

  test::UploadRig rig;
  rig.settings.setHost(base);
  rig.settings.setToken("t");
  services::file::FileImpl files(rig.settings);
  auto slicer = std::make_shared<Sha256SliceFile>(kPartSize);

  std::vector<test::UploadEvents> events;
  for (int i = 0; i < kFiles; ++i) events.emplace_back(&rig.mainQueue, true);
  std::vector<std::shared_ptr<Cancelable>> handles(kFiles);

  std::vector<std::thread> starters;
  for (int i = 0; i < kFiles; ++i) {
    starters.emplace_back([&, i] {
      handles[i] = upload::startUpload(
          rig.engine(files), dir / ("f" + std::to_string(i) + ".bin"), "/many", std::nullopt, 4, slicer,
          events[i].callback());
      if (i >= kFiles - kCancelled) handles[i]->cancel();
    });
  }
  for (auto& t : starters) t.join();
  for (auto& e : events) ASSERT_TRUE(e.outcome(60s).has_value());
  // Let anything still on its way arrive, then count again.
  rig.settle();

  EXPECT_LE(peak.load(), static_cast<int>(rig.partQueue.maxConcurrentOperationCount()));
  EXPECT_GE(peak.load(), 1);
  int succeeded = 0;
  for (int i = 0; i < kFiles; ++i) {
    EXPECT_FALSE(events[i].offMainQueue()) << "upload " << i;
    ASSERT_EQ(events[i].outcomes(), 1) << "upload " << i;
    const UploadProcessResult outcome = *events[i].outcome();
    if (std::holds_alternative<uploadResult::onSuccess>(outcome)) ++succeeded;
    if (i < kFiles - kCancelled) {
      // Each outcome names its own file (the create answer's id is the file's name here).
      const uploadResult::onSuccess expected(0, "success", "f" + std::to_string(i) + ".bin");
      EXPECT_EQ(outcome, UploadProcessResult(expected)) << i;
      // Every part of every uncancelled upload arrived intact.
      const std::string name = "f" + std::to_string(i) + ".bin";
      for (std::size_t offset = 0; offset < contents[i].size(); offset += kPartSize) {
        std::string_view range = std::string_view(contents[i]).substr(offset, kPartSize);
        EXPECT_EQ(received["/store/" + name + "/" + std::to_string(offset)], sha256Hex(range)) << name << offset;
      }
    }
  }
  EXPECT_EQ(completes.load(), succeeded);
  // The request pipeline logs each answer after its callback; let those
  // lines arrive (at most one per create and complete) while the capture is still there.
  quiet.waitForAnswers(static_cast<std::size_t>(kFiles + completes.load()));
}

}  // namespace
}  // namespace quillbox
