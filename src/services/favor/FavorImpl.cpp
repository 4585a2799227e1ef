#include "services/favor/FavorImpl.hpp"

#include "services/favor/FavorOperations.hpp"

namespace quillbox::request {

void FavorImpl::getStarFiles(std::optional<GetStarFilesBean> bean,
                             std::function<void(NetworkResult<GetStarFilesResponse>)> onCallback) {
  services::run<services::favor::getStarFiles>(settings_, std::move(bean), std::move(onCallback));
}

void FavorImpl::getStarBatch(std::optional<GetStarBatchBean> bean,
                             std::function<void(NetworkResult<GetStarBatchResponse>)> onCallback) {
  services::run<services::favor::getStarBatch>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::request
