#pragma once

#include "quillbox/services/favor/IFavor.hpp"
#include "request/Settings.hpp"

namespace quillbox::services::favor {

/// IFavor over the operations of FavorOperations.hpp.
class FavorImpl final : public IFavor {
 public:
  explicit FavorImpl(const request::Settings& settings) : settings_(settings) {}
  void getStarFiles(std::optional<GetStarFilesBean> bean,
                    std::function<void(NetworkResult<GetStarFilesResponse>)> onCallback) override;
  void getStarBatch(std::optional<GetStarBatchBean> bean,
                    std::function<void(NetworkResult<GetStarBatchResponse>)> onCallback) override;

 private:
  const request::Settings& settings_;
};

}  // namespace quillbox::services::favor
