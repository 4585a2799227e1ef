#include "util/MainQueue.hpp"

#include "util/ThreadPool.hpp"

namespace quillbox::util {

namespace {

thread_local bool onMainQueue = false;

ThreadPool& pool() {
  // Never destroyed: jobs may still be posted while the process exits.
  static ThreadPool* instance = new ThreadPool("quillbox-main", 1);
  return *instance;
}

}  // namespace

void MainQueue::async(std::function<void()> job) {
  pool().post([job = std::move(job)] {
    onMainQueue = true;
    job();
  });
}

bool MainQueue::isCurrent() { return onMainQueue; }

}  // namespace quillbox::util
