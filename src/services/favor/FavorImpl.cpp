#include "services/favor/FavorImpl.hpp"

#include "request/Dispatch.hpp"
#include "services/favor/FavorRequests.hpp"

namespace quillbox::request {

void FavorImpl::getStarFiles(std::optional<GetStarFilesBean> bean,
                             std::function<void(NetworkResult<GetStarFilesResponse>)> onCallback) {
  runRequest<GetStarFilesRequest>(settings_, std::move(bean), std::move(onCallback), 0);
}

void FavorImpl::getStarBatch(std::optional<GetStarBatchBean> bean,
                             std::function<void(NetworkResult<GetStarBatchResponse>)> onCallback) {
  runRequest<GetStarBatchRequest>(settings_, std::move(bean), std::move(onCallback), 1);
}

}  // namespace quillbox::request
