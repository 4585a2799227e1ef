#include "quillbox/facade/CloudInstance.hpp"

#include <algorithm>

#include "facade/TransferImpl.hpp"
#include "request/Settings.hpp"
#include "services/carrier/CarrierImpl.hpp"
#include "services/favor/FavorImpl.hpp"
#include "services/file/FileImpl.hpp"
#include "services/job/JobImpl.hpp"
#include "services/share/ShareImpl.hpp"
#include "services/user/UserImpl.hpp"
#include "transport/Transport.hpp"
#include "util/MainQueue.hpp"
#include "util/NamedOperationQueue.hpp"

namespace quillbox {

namespace {

transport::TransportOptions transportOptions(const CloudInstance::Options& options) {
  transport::TransportOptions t;
  t.connectTimeout = options.connectTimeout;
  t.stallTimeout = options.stallTimeout;
  t.callDeadline = options.callDeadline;
  t.maxHostConnections = std::max(0L, options.maxHostConnections);
  return t;
}

std::unique_ptr<util::NamedOperationQueue> makePartQueue(std::size_t width) {
  // The default width is announced ("CPU num = "), a chosen one is not.
  if (width == 0) return std::make_unique<util::NamedOperationQueue>("NORMAL_T");
  return std::make_unique<util::NamedOperationQueue>("NORMAL_T", width);
}

}  // namespace

// Declared in the order of need: each member uses only those above it, and
// members go away in the reverse order.
struct CloudInstance::Impl {
  transport::Transport transport;
  request::Settings settings{transport};
  services::user::UserImpl user{settings};
  services::file::FileImpl file{settings};
  services::share::ShareImpl share{settings};
  services::favor::FavorImpl favor{settings};
  services::job::JobImpl job{settings};
  services::carrier::CarrierImpl carrier{settings};
  util::MainQueue mainQueue;
  std::unique_ptr<util::NamedOperationQueue> partQueue = makePartQueue(transport.options().partsInFlight);
  facade::TransferImpl transfer{upload::UploadEngine{file, settings, mainQueue, *partQueue}};

  explicit Impl(const CloudInstance::Options& options) : transport(transportOptions(options)) {
    settings.setRetryPolicy(options.retry);
  }

  ~Impl() {
    // Every exchange and part PUT in flight ends as cancelled, and so does
    // every later one; the callbacks they owe the host run on their usual
    // threads. Only then do the queues and the transport go.
    transport.shutdown();
    transport.inFlight().waitUntilIdle();
  }
};

CloudInstance::CloudInstance() : CloudInstance(Options{}) {}
CloudInstance::CloudInstance(Options options) : impl_(std::make_unique<Impl>(options)) {}
CloudInstance::~CloudInstance() = default;

CloudInstance& CloudInstance::shared() {
  // Never destroyed: requests may still read the settings at process exit.
  static CloudInstance* instance = new CloudInstance;
  return *instance;
}

std::optional<std::string> CloudInstance::authCode() const { return impl_->settings.authCode(); }
void CloudInstance::setAuthCode(std::optional<std::string> v) { impl_->settings.setAuthCode(std::move(v)); }
std::optional<std::string> CloudInstance::token() const { return impl_->settings.token(); }
void CloudInstance::setToken(std::optional<std::string> v) { impl_->settings.setToken(std::move(v)); }
std::optional<std::string> CloudInstance::contentId() const { return impl_->settings.contentId(); }
void CloudInstance::setContentId(std::optional<std::string> v) { impl_->settings.setContentId(std::move(v)); }
std::optional<std::string> CloudInstance::host() const { return impl_->settings.host(); }
void CloudInstance::setHost(std::optional<std::string> v) { impl_->settings.setHost(std::move(v)); }
std::optional<std::string> CloudInstance::innerUser() const { return impl_->settings.innerUser(); }
void CloudInstance::setInnerUser(std::optional<std::string> v) { impl_->settings.setInnerUser(std::move(v)); }
std::string CloudInstance::userAgent() const { return impl_->settings.userAgent(); }
void CloudInstance::updateUserAgent(std::string text) { impl_->settings.setUserAgent(std::move(text)); }
RetryPolicy CloudInstance::retryPolicy() const { return impl_->settings.retryPolicy(); }
void CloudInstance::setRetryPolicy(RetryPolicy policy) { impl_->settings.setRetryPolicy(policy); }

IUser& CloudInstance::getUserImpl() { return impl_->user; }
IFile& CloudInstance::getFileImpl() { return impl_->file; }
IShare& CloudInstance::getShareImpl() { return impl_->share; }
IFavor& CloudInstance::getFavorImpl() { return impl_->favor; }
IJob& CloudInstance::getJobImpl() { return impl_->job; }
ICarrier& CloudInstance::getCarrierImpl() { return impl_->carrier; }
ITransfer& CloudInstance::getTransferImpl() { return impl_->transfer; }

}  // namespace quillbox
