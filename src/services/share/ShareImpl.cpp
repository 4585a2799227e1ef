#include "services/share/ShareImpl.hpp"

#include "request/Dispatch.hpp"
#include "services/share/ShareRequests.hpp"

namespace quillbox::request {

void ShareImpl::getShares(std::optional<GetShareBean> bean,
                          std::function<void(NetworkResult<GetShareResponse>)> onCallback) {
  runRequest<GetShareRequest>(settings_, std::move(bean), std::move(onCallback), 0);
}

void ShareImpl::createShare(std::optional<CreateShareBean> bean,
                            std::function<void(NetworkResult<CreateShareResponse>)> onCallback) {
  runRequest<CreateShareRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void ShareImpl::cancelShare(std::optional<CancelShareBean> bean,
                            std::function<void(NetworkResult<CancelShareResponse>)> onCallback) {
  runRequest<CancelShareRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

void ShareImpl::getShareDetail(std::optional<GetShareDetailBean> bean,
                               std::function<void(NetworkResult<GetShareDetailResponse>)> onCallback) {
  runRequest<GetShareDetailRequest>(settings_, std::move(bean), std::move(onCallback), 0);
}

void ShareImpl::modifyShareDetail(std::optional<ModifyShareDetailBean> bean,
                                  std::function<void(NetworkResult<ModifyShareDetailResponse>)> onCallback) {
  runRequest<ModifyShareDetailRequest>(settings_, std::move(bean), std::move(onCallback), 2);
}

void ShareImpl::getShareFiles(std::optional<GetShareFilesBean> bean,
                              std::function<void(NetworkResult<GetShareFilesResponse>)> onCallback) {
  runRequest<GetShareFilesRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

}  // namespace quillbox::request
