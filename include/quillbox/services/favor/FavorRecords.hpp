#pragma once
// Records of the favourite service: listing starred files and starring or
// unstarring files in a batch.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "quillbox/request/BaseResponse.hpp"
#include "quillbox/services/records/FileRecords.hpp"

namespace quillbox {

/// Asks for one page of the starred files. Sent as query items, never as a
/// JSON body; `fileType` is carried but not sent.
struct GetStarFilesBean {
  std::optional<std::int64_t> pageSize = 100;
  std::optional<std::string> pageCursor;
  std::optional<std::int64_t> sortType = 1;
  std::optional<std::int64_t> sortDirection = 2;
  std::optional<std::string> fileType;
  std::optional<std::string> imageProcess;

  GetStarFilesBean() = default;

  friend bool operator==(const GetStarFilesBean&, const GetStarFilesBean&) = default;
};

/// One page of starred files.
struct GetStarFilesResponse : BaseResponse {
  std::optional<std::vector<StarFileInfo>> starFileList;
  std::optional<std::int64_t> autoDeleted;
  std::optional<std::string> nextCursor;

  using BaseResponse::BaseResponse;
  GetStarFilesResponse() = default;

  friend bool operator==(const GetStarFilesResponse&, const GetStarFilesResponse&) = default;
};

/// One file to star or unstar.
struct StarFileRequest {
  std::optional<std::string> containerId;
  std::optional<std::string> fileId;

  StarFileRequest() = default;
  StarFileRequest(std::string fileId, std::optional<std::string> containerId)
      : containerId(std::move(containerId)), fileId(std::move(fileId)) {}

  friend bool operator==(const StarFileRequest&, const StarFileRequest&) = default;
};

/// Stars (`starred` true) or unstars the listed files. Both keys are always
/// sent, even for an empty list.
struct GetStarBatchBean {
  bool starred = false;
  std::vector<StarFileRequest> subRequestList;

  GetStarBatchBean() = default;
  GetStarBatchBean(bool starred, std::vector<StarFileRequest> subRequestList)
      : starred(starred), subRequestList(std::move(subRequestList)) {}

  friend bool operator==(const GetStarBatchBean&, const GetStarBatchBean&) = default;
};

/// The outcome for one file of a batch. `code` is text here.
struct SubResponse {
  std::optional<std::string> fileId;
  std::optional<std::string> code;
  std::optional<std::string> message;

  SubResponse() = default;

  friend bool operator==(const SubResponse&, const SubResponse&) = default;
};

/// The outcome of a star batch. "status" must be present in an answer; an
/// integer other than 0, 1 or 2 reads as `unknown`, which is written as -1.
struct GetStarBatchResponse : BaseResponse {
  enum class BatchStatus : std::int64_t { allSuccess = 0, partialSuccess = 1, allFailed = 2, unknown = -1 };

  std::optional<std::vector<SubResponse>> subResponseList;
  BatchStatus status = BatchStatus::unknown;

  using BaseResponse::BaseResponse;
  GetStarBatchResponse() = default;

  friend bool operator==(const GetStarBatchResponse&, const GetStarBatchResponse&) = default;
};

}  // namespace quillbox
