#include "util/ThreadPool.hpp"

#include <exception>
#include <system_error>

#include "util/Log.hpp"

namespace quillbox::util {

namespace {
thread_local bool onPool = false;
thread_local ThreadPool::Batch* currentBatch = nullptr;
}  // namespace

bool ThreadPool::onPoolThread() { return onPool; }

ThreadPool::ThreadPool(std::string name, std::size_t width) : ThreadPool(std::move(name), width, Growth{}) {}

ThreadPool::ThreadPool(std::string name, std::size_t width, Growth growth)
    : name_(std::move(name)), width_(width == 0 ? 1 : width), growth_(growth) {
  std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < width_; ++i) addWorker();
  if (canGrow()) supervisor_ = std::thread([this] { supervise(); });
}

ThreadPool::~ThreadPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  watchdog_.notify_all();
  if (supervisor_.joinable()) supervisor_.join();
  // No thread joins or leaves the pool once it is stopping.
  for (auto& t : workers_) t.join();
  for (auto& t : retired_) t.join();
}

std::size_t ThreadPool::threadCount() const {
  std::lock_guard lock(mutex_);
  return workers_.size();
}

void ThreadPool::addWorker() {
  workers_.emplace_back();
  const Worker self = std::prev(workers_.end());
  // The new thread takes the mutex before it looks at its own entry.
  *self = std::thread([this, self] { run(self); });
}

ThreadPool::Batch::Batch() : active_(currentBatch == nullptr) {
  if (active_) currentBatch = this;
}

ThreadPool::Batch::~Batch() {
  if (!active_) return;
  currentBatch = nullptr;
  for (auto& [pool, jobs] : held_) pool->enqueue(jobs);
}

void ThreadPool::post(std::function<void()> job) {
  if (Batch* batch = currentBatch) {
    for (auto& [pool, jobs] : batch->held_) {
      if (pool == this) {
        jobs.push_back(std::move(job));
        return;
      }
    }
    batch->held_.emplace_back(this, std::vector<std::function<void()>>{});
    batch->held_.back().second.push_back(std::move(job));
    return;
  }
  std::unique_lock lock(mutex_);
  jobs_.push_back(std::move(job));
  queued(lock);
}

void ThreadPool::enqueue(std::vector<std::function<void()>>& jobs) {
  std::unique_lock lock(mutex_);
  for (auto& job : jobs) jobs_.push_back(std::move(job));
  queued(lock);
}

void ThreadPool::queued(std::unique_lock<std::mutex>& lock) {
  // One wake-up at a time: a woken worker that leaves work behind wakes the
  // next one, so a burst of jobs does not wake every thread at once.
  const bool wakeWorker = idle_ > 0 && wakesPending_ == 0;
  if (wakeWorker) ++wakesPending_;
  const bool wakeSupervisor = idle_ == 0 && canGrow() && !watching_;
  if (wakeSupervisor) watching_ = true;
  lock.unlock();
  if (wakeWorker) ready_.notify_one();
  if (wakeSupervisor) watchdog_.notify_one();
}

void ThreadPool::run(Worker self) {
  onPool = true;
  std::unique_lock lock(mutex_);
  for (;;) {
    if (jobs_.empty() && !stopping_) {
      ++idle_;
      auto retireAt = std::chrono::steady_clock::now() + growth_.retireAfter;
      while (jobs_.empty() && !stopping_) {
        if (!canGrow()) {
          ready_.wait(lock);
          if (wakesPending_ > 0) --wakesPending_;
          continue;
        }
        const bool timedOut = ready_.wait_until(lock, retireAt) == std::cv_status::timeout;
        if (wakesPending_ > 0) --wakesPending_;
        if (!timedOut || !jobs_.empty() || stopping_) continue;
        if (workers_.size() > width_) {
          --idle_;
          retired_.push_back(std::move(*self));
          workers_.erase(self);
          watchdog_.notify_one();  // to be joined
          return;
        }
        retireAt = std::chrono::steady_clock::now() + growth_.retireAfter;
      }
      --idle_;
    }
    if (jobs_.empty()) return;  // stopping, and every job has run
    std::function<void()> job = std::move(jobs_.front());
    jobs_.pop_front();
    ++taken_;
    const bool wakeNext = !jobs_.empty() && idle_ > 0 && wakesPending_ == 0;
    if (wakeNext) ++wakesPending_;
    // Work left behind with no idle thread to take it: the supervisor watches
    // whether a thread frees up in time (jobs queued while threads were still
    // idle never told it).
    const bool wakeSupervisor = !jobs_.empty() && idle_ == 0 && canGrow() && !watching_;
    if (wakeSupervisor) watching_ = true;
    lock.unlock();
    if (wakeNext) ready_.notify_one();
    if (wakeSupervisor) watchdog_.notify_one();
    try {
      job();
    } catch (const std::exception& e) {
      QUILLBOX_LOG(error, name_ + ": a callback threw: " + e.what());
    } catch (...) {
      QUILLBOX_LOG(error, name_ + ": a callback threw");
    }
    job = nullptr;  // what the job holds is released outside the lock
    lock.lock();
  }
}

void ThreadPool::supervise() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (!retired_.empty()) {
      std::vector<std::thread> done = std::move(retired_);
      retired_.clear();
      lock.unlock();
      for (auto& t : done) t.join();
      lock.lock();
      continue;
    }
    if (stopping_) return;
    if (jobs_.empty()) {
      watching_ = false;
      watchdog_.wait(lock);
      continue;
    }
    // Work waits: give the threads a while to take some.
    watching_ = true;
    const std::uint64_t seen = taken_;
    const auto deadline = std::chrono::steady_clock::now() + growth_.stallAfter;
    if (watchdog_.wait_until(lock, deadline, [&] { return stopping_ || taken_ != seen; })) continue;
    if (jobs_.empty()) continue;
    if (idle_ > 0) {
      ++wakesPending_;
      ready_.notify_one();
      continue;
    }
    if (workers_.size() >= growth_.maxThreads) continue;
    try {
      addWorker();
    } catch (const std::system_error& e) {
      workers_.pop_back();
      const std::string why = e.what();
      lock.unlock();
      QUILLBOX_LOG(error, name_ + ": cannot add a thread: " + why);
      lock.lock();
    }
  }
}

}  // namespace quillbox::util
