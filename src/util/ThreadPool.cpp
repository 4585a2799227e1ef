#include "util/ThreadPool.hpp"

#include <exception>

#include "util/Log.hpp"

namespace quillbox::util {

namespace {
thread_local bool onPool = false;
}  // namespace

bool ThreadPool::onPoolThread() { return onPool; }

ThreadPool::ThreadPool(std::string name, std::size_t width) : name_(std::move(name)) {
  if (width == 0) width = 1;
  threads_.reserve(width);
  for (std::size_t i = 0; i < width; ++i) threads_.emplace_back([this] { run(); });
}

ThreadPool::~ThreadPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (auto& t : threads_) t.join();
}

void ThreadPool::post(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  ready_.notify_one();
}

void ThreadPool::run() {
  onPool = true;
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    try {
      job();
    } catch (const std::exception& e) {
      QUILLBOX_LOG(error, name_ + ": a callback threw: " + e.what());
    } catch (...) {
      QUILLBOX_LOG(error, name_ + ": a callback threw");
    }
  }
}

}  // namespace quillbox::util
