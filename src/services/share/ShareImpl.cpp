#include "services/share/ShareImpl.hpp"

#include "services/share/ShareOperations.hpp"

namespace quillbox::request {

void ShareImpl::getShares(std::optional<GetShareBean> bean,
                          std::function<void(NetworkResult<GetShareResponse>)> onCallback) {
  services::run<services::share::getShares>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::createShare(std::optional<CreateShareBean> bean,
                            std::function<void(NetworkResult<CreateShareResponse>)> onCallback) {
  services::run<services::share::createShare>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::cancelShare(std::optional<CancelShareBean> bean,
                            std::function<void(NetworkResult<CancelShareResponse>)> onCallback) {
  services::run<services::share::cancelShare>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::getShareDetail(std::optional<GetShareDetailBean> bean,
                               std::function<void(NetworkResult<GetShareDetailResponse>)> onCallback) {
  services::run<services::share::getShareDetail>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::modifyShareDetail(std::optional<ModifyShareDetailBean> bean,
                                  std::function<void(NetworkResult<ModifyShareDetailResponse>)> onCallback) {
  services::run<services::share::modifyShareDetail>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::getShareFiles(std::optional<GetShareFilesBean> bean,
                              std::function<void(NetworkResult<GetShareFilesResponse>)> onCallback) {
  services::run<services::share::getShareFiles>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::request
