#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace quillbox::transport {

/// Counts the operations of a client whose host callback is still due, so
/// that the client can wait for the last one before it goes away.
class InFlight {
  // The count changes without the lock; only the last release, which a
  // waiter may be waiting for, takes it to notify.
  struct State {
    std::atomic<std::size_t> count{0};
    std::mutex mutex;
    std::condition_variable idle;
  };

 public:
  /// Held by an operation until its host callback has returned; moves, is
  /// not copied, and costs no allocation.
  class Ticket {
   public:
    Ticket() = default;
    Ticket(Ticket&& other) noexcept : state_(std::move(other.state_)) {}
    Ticket& operator=(Ticket&& other) noexcept {
      if (this != &other) {
        release();
        state_ = std::move(other.state_);
      }
      return *this;
    }
    ~Ticket() { release(); }

   private:
    friend class InFlight;
    explicit Ticket(std::shared_ptr<State> state) : state_(std::move(state)) {}
    void release() {
      if (!state_) return;
      // The state outlives the client that waits on it: it is released only
      // after the notification, when this ticket's share of it goes.
      const std::shared_ptr<State> state = std::move(state_);
      if (state->count.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
      // Under the lock: a waiter that saw the count above zero is then
      // already waiting, and gets the notification.
      std::lock_guard lock(state->mutex);
      state->idle.notify_all();
    }
    std::shared_ptr<State> state_;
  };

  Ticket enter() {
    state_->count.fetch_add(1, std::memory_order_relaxed);
    return Ticket(state_);
  }

  /// Blocks until every ticket handed out has been released.
  void waitUntilIdle() {
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [&] { return state_->count.load(std::memory_order_acquire) == 0; });
  }

 private:
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace quillbox::transport
