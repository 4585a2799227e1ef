#include "services/share/ShareImpl.hpp"

#include "services/share/ShareOperations.hpp"

namespace quillbox::services::share {

void ShareImpl::getShares(std::optional<GetShareBean> bean,
                          std::function<void(NetworkResult<GetShareResponse>)> onCallback) {
  run<share::getShares>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::createShare(std::optional<CreateShareBean> bean,
                            std::function<void(NetworkResult<CreateShareResponse>)> onCallback) {
  run<share::createShare>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::cancelShare(std::optional<CancelShareBean> bean,
                            std::function<void(NetworkResult<CancelShareResponse>)> onCallback) {
  run<share::cancelShare>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::getShareDetail(std::optional<GetShareDetailBean> bean,
                               std::function<void(NetworkResult<GetShareDetailResponse>)> onCallback) {
  run<share::getShareDetail>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::modifyShareDetail(std::optional<ModifyShareDetailBean> bean,
                                  std::function<void(NetworkResult<ModifyShareDetailResponse>)> onCallback) {
  run<share::modifyShareDetail>(settings_, std::move(bean), std::move(onCallback));
}

void ShareImpl::getShareFiles(std::optional<GetShareFilesBean> bean,
                              std::function<void(NetworkResult<GetShareFilesResponse>)> onCallback) {
  run<share::getShareFiles>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::services::share
