#include "util/MainQueue.hpp"

namespace quillbox::util {

namespace {
thread_local const MainQueue* current = nullptr;
}  // namespace

MainQueue::MainQueue() : pool_("quillbox-main", 1) {}

void MainQueue::async(std::function<void()> job) {
  pool_.post([this, job = std::move(job)] {
    current = this;
    job();
  });
}

bool MainQueue::isCurrent() const { return current == this; }

}  // namespace quillbox::util
