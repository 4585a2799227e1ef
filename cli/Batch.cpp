#include "Batch.hpp"

#include <algorithm>
#include <chrono>
#include <exception>
#include <thread>

#include "Interrupt.hpp"
#include "Output.hpp"

namespace quillbox::cli {

using namespace std::chrono_literals;

bool BatchSlot::hold(std::shared_ptr<Cancelable> transfer) {
  std::lock_guard lock(mutex_);
  held_ = std::move(transfer);
  return !stopping();
}

void BatchSlot::release() {
  std::shared_ptr<Cancelable> dropped;
  std::lock_guard lock(mutex_);
  dropped.swap(held_);
}

// What the workers and the main thread share.
struct BatchState {
  std::vector<BatchItem>& items;
  std::vector<BatchOutcome> outcomes;
  std::vector<std::unique_ptr<BatchSlot>> slots;
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> finished{0};
  std::atomic<std::int64_t> bytesDone{0};
  std::atomic<bool> stopping{false};

  void work(BatchSlot& slot, Console& console) {
    for (std::size_t i = next++; i < items.size(); i = next++) {
      BatchOutcome outcome;
      if (!stopping.load()) {
        slot.progress(0);
        try {
          outcome = items[i].run(slot);
        } catch (const std::exception& e) {
          outcome = {BatchOutcome::Kind::failed, e.what()};
        }
        slot.release();
        if (outcome.kind == BatchOutcome::Kind::done) bytesDone += items[i].size;
        if (outcome.kind == BatchOutcome::Kind::failed) console.line("failed: " + items[i].label + ": " + outcome.detail);
        slot.progress(0);
      }
      outcomes[i] = std::move(outcome);  // each index is written by one worker only
      ++finished;
      InterruptScope::wake();
    }
  }

  void addSlot() {
    slots.push_back(std::make_unique<BatchSlot>());
    slots.back()->stopping_ = &stopping;
  }

  void cancelAll() {
    stopping = true;
    for (auto& slot : slots) {
      std::shared_ptr<Cancelable> running;
      {
        std::lock_guard lock(slot->mutex_);
        running = slot->held_;
      }
      if (running) running->cancel();
    }
  }

  std::int64_t bytesNow() const {
    std::int64_t bytes = bytesDone.load();
    for (const auto& slot : slots) bytes += slot->bytes_.load();
    return bytes;
  }
};

namespace {

// One file is shown by its name, as a single transfer always was; several by the count.
std::string meterLabel(const std::vector<BatchItem>& items, std::size_t done) {
  if (items.size() == 1) {
    const std::string& label = items.front().label;
    return label.substr(label.rfind('/') == std::string::npos ? 0 : label.rfind('/') + 1);
  }
  return std::to_string(done) + "/" + std::to_string(items.size()) + " files";
}

}  // namespace

BatchReport runBatch(Console& console, std::vector<BatchItem>& items, int transfers, InterruptScope& interrupt) {
  BatchState state{items, std::vector<BatchOutcome>(items.size()), {}, {}, {}, {}, {}};
  std::int64_t total = 0;
  for (const auto& item : items) total += item.size;
  const auto workers = static_cast<std::size_t>(std::clamp<std::int64_t>(transfers, 1, 64));
  const auto start = std::chrono::steady_clock::now();
  ProgressMeter meter(console, meterLabel(items, 0), total);
  std::vector<std::thread> threads;
  for (std::size_t w = 0; w < std::min(workers, items.size()); ++w) state.addSlot();
  for (auto& slot : state.slots) threads.emplace_back([&state, &slot, &console] { state.work(*slot, console); });

  while (state.finished.load() < items.size()) {
    interrupt.wait(100ms);
    if (interrupt.interrupted() && !state.stopping.load()) state.cancelAll();
    meter.setLabel(meterLabel(items, state.finished.load()));
    meter.update(std::min(state.bytesNow(), total));
    meter.tick();
  }
  for (auto& t : threads) t.join();

  BatchReport report;
  report.interrupted = state.stopping.load();
  report.outcomes = std::move(state.outcomes);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (report.outcomes[i].kind == BatchOutcome::Kind::done) {
      ++report.done;
      report.bytes += items[i].size;
    } else if (report.outcomes[i].kind == BatchOutcome::Kind::failed) {
      ++report.failed;
    }
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!items.empty()) {
    meter.setLabel(meterLabel(items, report.done));
    meter.update(report.bytes);
    meter.finish(report.interrupted ? "interrupted" : report.failed > 0 ? "some failed" : "done");
  }
  return report;
}

std::string batchSummary(const std::string& verb, const BatchReport& report) {
  std::string text = verb + " " + std::to_string(report.done) + (report.done == 1 ? " file (" : " files (") +
                     humanSize(report.bytes) + ") in " + clockDuration(report.seconds);
  if (report.failed > 0) text += "; " + std::to_string(report.failed) + " failed";
  const auto notStarted = static_cast<std::size_t>(
      std::count_if(report.outcomes.begin(), report.outcomes.end(),
                    [](const BatchOutcome& o) { return o.kind == BatchOutcome::Kind::notStarted; }));
  const std::size_t cancelled = report.outcomes.size() - report.done - report.failed - notStarted;
  if (cancelled > 0) text += "; " + std::to_string(cancelled) + " cancelled";
  if (notStarted > 0) text += "; " + std::to_string(notStarted) + " not started";
  return text;
}

}  // namespace quillbox::cli
