#include "emulator/Emulator.hpp"

#include "emulator/Faults.hpp"
#include "emulator/Http.hpp"
#include "emulator/Service.hpp"
#include "emulator/Storage.hpp"

namespace quillbox::emulator {

struct Emulator::Impl {
  explicit Impl(EmulatorOptions o)
      : options(std::move(o)),
        storage(options.dataDir ? Storage::folder(*options.dataDir) : Storage::memory()),
        service(ServiceConfig{options.baseUrl, options.capacity, options.linkTtl, options.jobDuration.count(),
                              options.clock, options.dataDir},
                *storage, faults),
        server(service, faults,
               HttpServerOptions{options.address, options.port, options.threads, options.workers, 16u << 20,
                                 options.headTimeout, options.idleTimeout, options.maxConnections}) {}

  EmulatorOptions options;
  std::unique_ptr<Storage> storage;
  FaultRegistry faults;
  Service service;
  HttpServer server;  // destroyed first: no request runs once the service goes
  std::string url;
  std::string baseUrl;
  bool stopped = false;
};

Emulator::Emulator(EmulatorOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Emulator::~Emulator() { stop(); }

void Emulator::start() {
  // A configured prefix is known before the first request can arrive.
  if (!impl_->options.baseUrl.empty()) impl_->service.setBaseUrl(impl_->options.baseUrl);
  impl_->server.start();
  const std::string& address = impl_->options.address;
  const std::string host = address.find(':') != std::string::npos ? "[" + address + "]" : address;
  impl_->url = "http://" + host + ":" + std::to_string(impl_->server.port());
  impl_->baseUrl = impl_->options.baseUrl.empty() ? impl_->url : impl_->options.baseUrl;
  while (!impl_->baseUrl.empty() && impl_->baseUrl.back() == '/') impl_->baseUrl.pop_back();
  impl_->service.setBaseUrl(impl_->baseUrl);
}

void Emulator::stop() {
  if (impl_->stopped) return;
  impl_->stopped = true;
  impl_->server.stop();
  impl_->faults.clear();
  impl_->service.flush();
}

std::uint16_t Emulator::port() const { return impl_->server.port(); }
std::string Emulator::url() const { return impl_->url; }
std::string Emulator::baseUrl() const { return impl_->baseUrl; }
std::uint64_t Emulator::connectionsAccepted() const { return impl_->server.connectionsAccepted(); }
std::size_t Emulator::connectionsOpen() const { return impl_->server.connectionsOpen(); }

}  // namespace quillbox::emulator
