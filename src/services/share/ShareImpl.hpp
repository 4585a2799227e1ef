#pragma once

#include "quillbox/services/share/IShare.hpp"
#include "request/Settings.hpp"

namespace quillbox::services::share {

/// IShare over the operations of ShareOperations.hpp.
class ShareImpl final : public IShare {
 public:
  explicit ShareImpl(const request::Settings& settings) : settings_(settings) {}
  void getShares(std::optional<GetShareBean> bean,
                 std::function<void(NetworkResult<GetShareResponse>)> onCallback) override;
  void createShare(std::optional<CreateShareBean> bean,
                   std::function<void(NetworkResult<CreateShareResponse>)> onCallback) override;
  void cancelShare(std::optional<CancelShareBean> bean,
                   std::function<void(NetworkResult<CancelShareResponse>)> onCallback) override;
  void getShareDetail(std::optional<GetShareDetailBean> bean,
                      std::function<void(NetworkResult<GetShareDetailResponse>)> onCallback) override;
  void modifyShareDetail(std::optional<ModifyShareDetailBean> bean,
                         std::function<void(NetworkResult<ModifyShareDetailResponse>)> onCallback) override;
  void getShareFiles(std::optional<GetShareFilesBean> bean,
                     std::function<void(NetworkResult<GetShareFilesResponse>)> onCallback) override;

 private:
  const request::Settings& settings_;
};

}  // namespace quillbox::services::share
