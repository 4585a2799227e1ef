#include "Interrupt.hpp"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

namespace quillbox::cli {

namespace {

volatile std::sig_atomic_t gSignalled = 0;
int gPipe[2] = {-1, -1};

void createPipe() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
      gPipe[0] = gPipe[1] = -1;
    }
  });
}

extern "C" void onSignal(int) {
  // A second Ctrl-C while the first is being handled ends the program at once.
  if (gSignalled) ::_exit(130);
  const int saved = errno;
  gSignalled = 1;
  if (gPipe[1] >= 0) {
    const char byte = 's';
    [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
  }
  errno = saved;
}

}  // namespace

InterruptScope::InterruptScope() {
  createPipe();
  gSignalled = 0;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &oldInt_);
  ::sigaction(SIGTERM, &action, &oldTerm_);
}

InterruptScope::~InterruptScope() {
  ::sigaction(SIGINT, &oldInt_, nullptr);
  ::sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool InterruptScope::interrupted() const { return gSignalled != 0; }

void InterruptScope::wake() {
  createPipe();
  if (gPipe[1] < 0) return;
  const char byte = 'w';
  // A full pipe already holds a wake-up: nothing is lost when this fails.
  [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
}

void InterruptScope::wait(std::chrono::milliseconds timeout) const {
  if (gPipe[0] < 0) {
    ::usleep(static_cast<useconds_t>(timeout.count()) * 1000);
    return;
  }
  pollfd p{gPipe[0], POLLIN, 0};
  const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
  if (ready > 0) {
    char drain[64];
    while (::read(gPipe[0], drain, sizeof drain) > 0) {
    }
  }
}

}  // namespace quillbox::cli
