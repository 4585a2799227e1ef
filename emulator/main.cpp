// quillbox-emulator: a local server that speaks the Quillbox open service,
// for running the SDK, the CLI, the end-to-end tests and the benchmarks
// without an account or a network.

#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>

#include "emulator/Emulator.hpp"

int main(int argc, char** argv) {
  quillbox::emulator::EmulatorOptions options;
  std::string data;
  std::int64_t linkTtl = options.linkTtl.count();
  std::int64_t jobMs = options.jobDuration.count();
  std::int64_t headMs = options.headTimeout.count();
  std::int64_t idleMs = options.idleTimeout.count();

  CLI::App app{"quillbox-emulator: a local Quillbox open service with fault injection"};
  app.add_option("--port", options.port, "Port to listen on; 0 picks a free one")->capture_default_str();
  app.add_option("--address", options.address, "Address to listen on")->capture_default_str();
  app.add_option("--data", data, "Folder for state and content that survive a restart (default: memory only)");
  app.add_option("--base-url", options.baseUrl,
                 "Prefix of the part and download addresses handed out (default: http://ADDRESS:PORT)");
  app.add_option("--threads", options.threads, "I/O threads")->capture_default_str()->check(CLI::Range(1u, 256u));
  app.add_option("--workers", options.workers, "Threads for assembling uploads")
      ->capture_default_str()
      ->check(CLI::Range(1u, 64u));
  app.add_option("--capacity", options.capacity, "Bytes of space per user")->capture_default_str()->check(CLI::PositiveNumber);
  app.add_option("--link-ttl", linkTtl, "Seconds part and download addresses stay valid")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--job-ms", jobMs, "Milliseconds a background job runs")->capture_default_str()->check(CLI::NonNegativeNumber);
  app.add_option("--head-timeout-ms", headMs, "Milliseconds a request head may take to arrive whole")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--idle-timeout-ms", idleMs, "Milliseconds a kept-alive connection may wait for its next request")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--max-connections", options.maxConnections,
                 "Connections open at once; at the cap a new one closes the one idle the longest")
      ->capture_default_str()
      ->check(CLI::Range(std::size_t{1}, std::size_t{100000}));
  CLI11_PARSE(app, argc, argv);
  if (!data.empty()) options.dataDir = data;
  options.linkTtl = std::chrono::seconds(linkTtl);
  options.jobDuration = std::chrono::milliseconds(jobMs);
  options.headTimeout = std::chrono::milliseconds(headMs);
  options.idleTimeout = std::chrono::milliseconds(idleMs);

  // Signals are taken by this thread alone, through sigwait below.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  try {
    quillbox::emulator::Emulator emulator(options);
    emulator.start();
    std::printf("quillbox-emulator listening on %s\n", emulator.url().c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&signals, &received);
    emulator.stop();
  } catch (const std::exception& e) {
    std::cerr << "quillbox-emulator: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
