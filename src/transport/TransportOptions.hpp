#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quillbox::transport {

/// Every number the transport works with, in one place. A client builds its
/// transport from one of these; the defaults are what the SDK ships with.
struct TransportOptions {
  // ---- service requests and part PUTs --------------------------------------

  /// Time allowed to set up a connection (DNS, TCP, TLS). Generous, as a
  /// mobile or far-away link may take seconds for a TLS handshake.
  std::chrono::seconds connectTimeout{60};
  /// A part PUT that moves less than one byte a second for this long fails,
  /// and so does a service call that moves no byte at all (the call's loop
  /// checks that, see CurlTransfer::setStallLimit). There is no limit on the
  /// total time of a part, so large parts are never cut.
  std::chrono::seconds stallTimeout{60};
  /// The longest one service call may take, every attempt and wait
  /// included: long enough for a slow listing over a poor link, short enough
  /// that a peer trickling its answer cannot hold a call (or a command) for
  /// ever. Part PUTs have no overall limit, only the stall rule.
  std::chrono::milliseconds callDeadline{std::chrono::seconds(120)};
  /// Connections the service requests' loop keeps open to one host at once;
  /// further requests wait for a free one. Sixteen keep a busy host's calls
  /// flowing (over HTTP/2 each carries many), while ten thousand calls in
  /// flight still fit a process limit of 1024 descriptors. Part PUTs share
  /// the loop, and so the limit, when they go to the same host.
  long maxHostConnections = 16;
  /// Service answers larger than this are refused rather than buffered: the
  /// largest listing page is a few MiB; a peer sending more is broken.
  std::size_t maxResponseBody = 64u << 20;
  /// libcurl's send buffer for part PUTs: 512 KiB sends a part about a third
  /// faster than libcurl's 64 KiB default on loopback and LAN links.
  long uploadBufferSize = 512 * 1024;
  /// Threads that run completions and host callbacks; 0 takes the number of
  /// processors, at least 2, so one slow callback does not hold up the rest.
  std::size_t callbackThreads = 0;
  /// The most threads the callback executor grows to when every thread is
  /// blocked in a host callback (waiting for a nested call, say): enough for
  /// deep nesting, few enough that a runaway host cannot exhaust the process.
  std::size_t maxCallbackThreads = 128;
  /// Parts uploaded at once across all uploads of a client (the width of the
  /// part queue); 0 takes the number of processors, which keeps the reads
  /// from disk and the hashing of parts from oversubscribing the machine.
  std::size_t partsInFlight = 0;

  // ---- downloads --------------------------------------------------------------

  /// Downloads connect to storage hosts that answer quickly or not at all.
  std::chrono::seconds downloadConnectTimeout{30};
  /// As stallTimeout, for downloads.
  std::chrono::seconds downloadStallTimeout{30};
  /// Receive rate cap in bytes a second; 0 for none.
  std::int64_t downloadMaxBytesPerSecond = 0;
  /// libcurl's receive buffer for downloads: 256 KiB writes to a file about
  /// twice as fast as the 16 KiB default.
  long downloadBufferSize = 256 * 1024;
  /// Body bytes are gathered into blocks of this size before each write:
  /// fewer, larger writes keep the disk streaming.
  std::size_t downloadWriteBlock = 1024 * 1024;
  /// Progress is reported at most this often: enough for a progress bar,
  /// cheap on the host's thread.
  std::chrono::milliseconds downloadReportEvery{100};
  /// Storage hosts redirect once or twice; more than this is a loop.
  long downloadMaxRedirects = 16;
  /// libcurl loops (I/O threads) the downloads are spread over, apart from
  /// the service requests' loop; 0 takes one per core, at most four: on
  /// loopback two loops already keep a core busy.
  std::size_t downloadLoops = 0;
  /// Threads that run the downloads' callbacks; 0 takes one per core, at
  /// most two: those callbacks only hand progress and outcomes on.
  std::size_t downloadCallbackThreads = 0;
};

}  // namespace quillbox::transport
