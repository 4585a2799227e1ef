#include "util/NamedOperationQueue.hpp"

#include <thread>

#include "util/Log.hpp"

namespace quillbox::util {

bool Operation::cancel() {
  int expected = kPending;
  if (!state_.compare_exchange_strong(expected, kCancelled)) return false;
  // The block will never run: let go of what it holds (often the very object
  // that holds this operation).
  std::function<void()> dropped = std::move(block_);
  return true;
}

void Operation::runIfPending() {
  int expected = kPending;
  if (!state_.compare_exchange_strong(expected, kRunning)) return;
  // A block that throws still ends the operation; the pool logs the error.
  struct Finish {
    std::atomic<int>& state;
    ~Finish() { state.store(kFinished); }
  } finish{state_};
  std::function<void()> block = std::move(block_);
  block();
}

std::size_t activeProcessorCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : n;
}

NamedOperationQueue::NamedOperationQueue(std::string name) : NamedOperationQueue(std::move(name), activeProcessorCount()) {
  QUILLBOX_LOG(info, "CPU num = " + std::to_string(pool_.width()));
}

NamedOperationQueue::NamedOperationQueue(std::string name, std::size_t width)
    : name_(std::move(name)), pool_(name_, width == 0 ? 1 : width) {}

std::shared_ptr<Operation> NamedOperationQueue::addOperation(std::function<void()> block) {
  auto operation = std::make_shared<Operation>(std::move(block));
  addOperation(operation);
  return operation;
}

void NamedOperationQueue::addOperation(std::shared_ptr<Operation> operation) {
  ++outstanding_;
  pool_.post([this, operation = std::move(operation)] {
    struct Done {
      std::atomic<std::size_t>& count;
      ~Done() { --count; }
    } done{outstanding_};
    operation->runIfPending();
  });
}

}  // namespace quillbox::util
