#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

namespace quillbox::transport {

/// Counts the operations of a client whose host callback is still due, so
/// that the client can wait for the last one before it goes away.
class InFlight {
 public:
  /// Held by an operation until its host callback has returned.
  using Ticket = std::shared_ptr<void>;

  Ticket enter() {
    {
      std::lock_guard lock(state_->mutex);
      ++state_->count;
    }
    return Ticket(nullptr, [state = state_](void*) {
      std::lock_guard lock(state->mutex);
      if (--state->count == 0) state->idle.notify_all();
    });
  }

  /// Blocks until every ticket handed out has been released.
  void waitUntilIdle() {
    std::unique_lock lock(state_->mutex);
    state_->idle.wait(lock, [&] { return state_->count == 0; });
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable idle;
    std::size_t count = 0;
  };
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace quillbox::transport
