#include "services/favor/FavorImpl.hpp"

#include "services/favor/FavorOperations.hpp"

namespace quillbox::services::favor {

void FavorImpl::getStarFiles(std::optional<GetStarFilesBean> bean,
                             std::function<void(NetworkResult<GetStarFilesResponse>)> onCallback) {
  run<favor::getStarFiles>(settings_, std::move(bean), std::move(onCallback));
}

void FavorImpl::getStarBatch(std::optional<GetStarBatchBean> bean,
                             std::function<void(NetworkResult<GetStarBatchResponse>)> onCallback) {
  run<favor::getStarBatch>(settings_, std::move(bean), std::move(onCallback));
}

}  // namespace quillbox::services::favor
