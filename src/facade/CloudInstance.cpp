#include "quillbox/facade/CloudInstance.hpp"

#include "facade/TransferImpl.hpp"
#include "request/Settings.hpp"
#include "services/carrier/CarrierImpl.hpp"
#include "services/favor/FavorImpl.hpp"
#include "services/file/FileImpl.hpp"
#include "services/job/JobImpl.hpp"
#include "services/share/ShareImpl.hpp"
#include "services/user/UserImpl.hpp"

namespace quillbox {

struct CloudInstance::Impl {
  request::Settings settings;
  services::user::UserImpl user{settings};
  services::file::FileImpl file{settings};
  services::share::ShareImpl share{settings};
  services::favor::FavorImpl favor{settings};
  services::job::JobImpl job{settings};
  services::carrier::CarrierImpl carrier{settings};
  request::TransferImpl transfer{file, settings};
};

CloudInstance::CloudInstance() : impl_(std::make_unique<Impl>()) {}
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

IUser& CloudInstance::getUserImpl() { return impl_->user; }
IFile& CloudInstance::getFileImpl() { return impl_->file; }
IShare& CloudInstance::getShareImpl() { return impl_->share; }
IFavor& CloudInstance::getFavorImpl() { return impl_->favor; }
IJob& CloudInstance::getJobImpl() { return impl_->job; }
ICarrier& CloudInstance::getCarrierImpl() { return impl_->carrier; }
ITransfer& CloudInstance::getTransferImpl() { return impl_->transfer; }

}  // namespace quillbox
