#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace quillbox::transport {

/// Counts the operations of a client whose host callback is still due, so
/// that the client can wait for the last one before it goes away.
class InFlight {
  struct State {
    std::mutex mutex;
    std::condition_variable idle;
    std::size_t count = 0;
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
      std::lock_guard lock(state->mutex);
      if (--state->count == 0) state->idle.notify_all();
    }
    std::shared_ptr<State> state_;
  };

  Ticket enter() {
    {
      std::lock_guard lock(state_->mutex);
      ++state_->count;
    }
    return Ticket(state_);
  }

  /// Blocks until every ticket handed out has been released.
  void waitUntilIdle() {
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [&] { return state_->count == 0; });
  }

 private:
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace quillbox::transport
