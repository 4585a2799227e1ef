// The part manager's bookkeeping: per-part events, whole-file progress and
// the single verdict, with parts reporting directly and cancelled before or
// while they wait. (Parts run through a real queue in a whole upload.)

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "support/Callbacks.hpp"
#include "support/UploadEvents.hpp"
#include "upload/UploadManager.hpp"
#include "util/MainQueue.hpp"

namespace quillbox {
namespace {

using upload::UploadManager;
using upload::UploadResult;
using upload::UploadTask;
namespace part = upload::partResult;
namespace ev = uploadResult;

std::shared_ptr<UploadTask> makeTask(test::UploadRig& rig, const std::string& key, std::int64_t length,
                                     std::string url = "") {
  auto task = std::make_shared<UploadTask>(rig.transport.parts());
  task->hash1 = key;
  task->length = length;
  task->file = "/dev/null";
  task->uploadUrl = std::move(url);
  return task;
}

TEST(UploadManager, BooksProgressAndPartsAndGivesOneVerdictAfterTheLastPart) {
  test::UploadRig rig;
  auto manager = std::make_shared<UploadManager>(rig.partQueue, rig.mainQueue);
  manager->add(makeTask(rig, "10", 100));
  manager->add(makeTask(rig, "2100", 50));
  manager->setTotalLength(150);
  test::UploadEvents events(&rig.mainQueue, true);
  manager->setOnTotalCallback(events.callback());

  manager->subCallback(part::onProgress{"10", 40, 100});
  manager->subCallback(part::onProgress{"2100", 10, 50});
  manager->subCallback(part::onProgress{"2100", 50, 50});
  // The part that fails sorts first: every part has its say in the verdict.
  manager->subCallback(part::onFailure{"10", -1, "upload sync error"});
  manager->subCallback(part::onSuccess{"2100", BaseResponse(0, "success", std::nullopt)});
  // Nothing counts after the verdict.
  manager->subCallback(part::onProgress{"10", 100, 100});
  manager->subCallback(part::onSuccess{"10", BaseResponse(0, "success", std::nullopt)});
  test::drainMainQueue(rig.mainQueue);

  const std::vector<UploadProcessResult> expected = {
      ev::onProgress{40, 150},           ev::onProgress{50, 150},          ev::onProgress{90, 150},
      ev::onItemFinish{"10", 0, false},  ev::onItemFinish{"2100", 0, true}, ev::onFailure{-1, "upload part failed"},
  };
  EXPECT_EQ(events.all(), expected);
  EXPECT_FALSE(events.offMainQueue());
  auto records = manager->records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].state, UploadManager::STATE_ERROR);
  EXPECT_EQ(records[0].bytesWritten, 100);
  EXPECT_EQ(records[1].state, UploadManager::STATE_SUCCESS);
  EXPECT_EQ(records[1].bytesWritten, 50);
  EXPECT_EQ(records[0].description(), "hash 10, isFinish true, state -1");
}

TEST(UploadManager, ALastPartDeclaredPastTheEndCountsOnlyWhatTheFileHolds) {
  // Servers may declare the last part as long as the others; the part sends
  // only the file's remainder, and the file's progress never passes its length.
  test::UploadRig rig;
  auto manager = std::make_shared<UploadManager>(rig.partQueue, rig.mainQueue);
  manager->add(makeTask(rig, "1", 100));
  auto last = makeTask(rig, "2", 100);
  last->offset = 100;
  manager->add(last);
  manager->setTotalLength(130);
  test::UploadEvents events(&rig.mainQueue, true);
  manager->setOnTotalCallback(events.callback());

  manager->subCallback(part::onProgress{"2", 30, 30});
  manager->subCallback(part::onSuccess{"2", BaseResponse(0, "success", std::nullopt)});
  manager->subCallback(part::onProgress{"1", 100, 100});
  manager->subCallback(part::onSuccess{"1", BaseResponse(0, "success", std::nullopt)});
  test::drainMainQueue(rig.mainQueue);

  const std::vector<UploadProcessResult> expected = {
      ev::onProgress{30, 130}, ev::onItemFinish{"2", 0, true}, ev::onProgress{130, 130},
      ev::onItemFinish{"1", 0, true}, ev::onSuccess{0, "success"},
  };
  EXPECT_EQ(events.all(), expected);
}

TEST(UploadManager, PartsReportingFromManyThreadsEndInOneSuccess) {
  test::UploadRig rig;
  auto manager = std::make_shared<UploadManager>(rig.partQueue, rig.mainQueue);
  constexpr int kParts = 16;
  for (int i = 0; i < kParts; ++i) manager->add(makeTask(rig, std::to_string(i + 1) + std::to_string(i * 10), 10));
  test::UploadEvents events(&rig.mainQueue, true);
  manager->setOnTotalCallback(events.callback());
  std::vector<std::thread> threads;
  for (int i = 0; i < kParts; ++i) {
    threads.emplace_back([&manager, i] {
      const std::string key = std::to_string(i + 1) + std::to_string(i * 10);
      manager->subCallback(part::onProgress{key, 5, 10});
      manager->subCallback(part::onSuccess{key, BaseResponse(0, "success", std::nullopt)});
    });
  }
  for (auto& t : threads) t.join();
  test::drainMainQueue(rig.mainQueue);
  // One verdict, a success, after every part has finished.
  EXPECT_EQ(events.only<ev::onItemFinish>().size(), static_cast<std::size_t>(kParts));
  EXPECT_EQ(events.outcomes(), 1);
  EXPECT_EQ(events.all().back(), UploadProcessResult(ev::onSuccess{0, "success"}));
}

TEST(UploadManager, CancelBeforeSubmitQueuesNothing) {
  test::UploadRig rig(1);
  util::NamedOperationQueue& queue = rig.partQueue;
  auto manager = std::make_shared<UploadManager>(queue, rig.mainQueue);
  auto task = makeTask(rig, "10", 10);
  manager->add(task);
  test::UploadEvents events(&rig.mainQueue, true);
  manager->setOnTotalCallback(events.callback());
  manager->cancel();
  manager->submit();
  ASSERT_TRUE(events.waitFor(1));
  test::drainMainQueue(rig.mainQueue);
  EXPECT_EQ(events.all(), (std::vector<UploadProcessResult>{ev::onFailure{-1, "has cancel"}}));
  EXPECT_EQ(task->operation(), nullptr);
  EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(UploadManager, CancelWhilePartsWaitFinishesThemAsFailedWithoutRunningThem) {
  test::LogCapture log;  // outlives the queue, whose threads log
  test::UploadRig rig(1);
  util::NamedOperationQueue& queue = rig.partQueue;
  std::promise<void> gate;
  std::shared_future<void> open = gate.get_future().share();
  queue.addOperation([open] { open.wait(); });

  auto manager = std::make_shared<UploadManager>(queue, rig.mainQueue);
  auto first = makeTask(rig, "10", 10, "http://127.0.0.1:9/never");
  auto second = makeTask(rig, "210", 10, "http://127.0.0.1:9/never");
  manager->add(first);
  manager->add(second);
  test::UploadEvents events(&rig.mainQueue, true);
  manager->setOnTotalCallback(events.callback());
  manager->submit();
  manager->cancel();
  ASSERT_TRUE(events.waitFor(3));
  gate.set_value();
  while (queue.operationCount() > 0) std::this_thread::yield();
  test::drainMainQueue(rig.mainQueue);

  const std::vector<UploadProcessResult> expected = {ev::onItemFinish{"10", 0, false}, ev::onItemFinish{"210", 0, false},
                                                     ev::onFailure{-1, "has cancel"}};
  EXPECT_EQ(events.all(), expected);
  EXPECT_TRUE(first->operation()->isCancelled());
  EXPECT_TRUE(second->operation()->isCancelled());
  EXPECT_TRUE(first->hasCancel);
  EXPECT_FALSE(log.contains("开始执行上传任务"));
  EXPECT_TRUE(log.contains("UploadManager: UploadManager cancel"));
  EXPECT_TRUE(log.contains("UploadTask cancel"));
}

}  // namespace
}  // namespace quillbox
