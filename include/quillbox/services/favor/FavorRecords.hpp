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
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetStarFilesBean r;
/// r.pageSize = ...;`.
struct GetStarFilesBean {
  /// Page size.
  std::optional<std::int64_t> pageSize = 100;
  /// Cursor of the page wanted.
  std::optional<std::string> pageCursor;
  /// Sort key code.
  std::optional<std::int64_t> sortType = 1;
  /// Sort direction code.
  std::optional<std::int64_t> sortDirection = 2;
  /// File type filter; carried by the bean but not sent.
  std::optional<std::string> fileType;
  /// Image processing parameter.
  std::optional<std::string> imageProcess;

  /// Every optional field absent and every required one at its default.
  GetStarFilesBean() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetStarFilesBean&, const GetStarFilesBean&) = default;
};

/// One page of starred files.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetStarFilesResponse r; r.starFileList = ...;`.
struct GetStarFilesResponse : BaseResponse {
  /// The starred files of this page.
  std::optional<std::vector<StarFileInfo>> starFileList;
  /// The service's `autoDeleted` value, passed through.
  std::optional<std::int64_t> autoDeleted;
  /// Cursor of the next page; absent on the last page.
  std::optional<std::string> nextCursor;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetStarFilesResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetStarFilesResponse&, const GetStarFilesResponse&) = default;
};

/// One file to star or unstar.
///
/// Not an aggregate (it declares constructors): build it field by field, `StarFileRequest r; r.containerId = ...;`.
struct StarFileRequest {
  /// Container holding the files.
  std::optional<std::string> containerId;
  /// Id of the file.
  std::optional<std::string> fileId;

  /// Every optional field absent and every required one at its default.
  StarFileRequest() = default;
  /// Sets every field, in declaration order.
  StarFileRequest(std::string fileId, std::optional<std::string> containerId)
      : containerId(std::move(containerId)), fileId(std::move(fileId)) {}

  /// Equal when every field is equal.
  friend bool operator==(const StarFileRequest&, const StarFileRequest&) = default;
};

/// Stars (`starred` true) or unstars the listed files. Both keys are always
/// sent, even for an empty list.
///
/// The host fills it in. Not an aggregate (it declares constructors): build it field by field, `GetStarBatchBean r;
/// r.starred = ...;`.
struct GetStarBatchBean {
  /// True to star the files, false to unstar them. Always on the wire.
  bool starred = false;
  /// The files. Always on the wire.
  std::vector<StarFileRequest> subRequestList;

  /// Every optional field absent and every required one at its default.
  GetStarBatchBean() = default;
  /// Sets every field, in declaration order.
  GetStarBatchBean(bool starred, std::vector<StarFileRequest> subRequestList)
      : starred(starred), subRequestList(std::move(subRequestList)) {}

  /// Equal when every field is equal.
  friend bool operator==(const GetStarBatchBean&, const GetStarBatchBean&) = default;
};

/// The outcome for one file of a batch. `code` is text here.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `SubResponse r; r.fileId = ...;`.
struct SubResponse {
  /// Id of the file.
  std::optional<std::string> fileId;
  /// The service's code.
  std::optional<std::string> code;
  /// The service's message for this entry.
  std::optional<std::string> message;

  /// Every optional field absent and every required one at its default.
  SubResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const SubResponse&, const SubResponse&) = default;
};

/// The outcome of a star batch. "status" must be present in an answer; an
/// integer other than 0, 1 or 2 reads as `unknown`, which is written as -1.
///
/// The server fills it in; a field the answer leaves out stays absent. Not an aggregate (it declares constructors):
/// build it field by field, `GetStarBatchResponse r; r.subResponseList = ...;`.
struct GetStarBatchResponse : BaseResponse {
  /// Overall outcome of a batch: every file, some, or none starred or unstarred as asked; `unknown`
  /// for a value the SDK does not know.
  enum class BatchStatus : std::int64_t { allSuccess = 0, partialSuccess = 1, allFailed = 2, unknown = -1 };

  /// One result per file.
  std::optional<std::vector<SubResponse>> subResponseList;
  /// Overall outcome. Always on the wire.
  BatchStatus status = BatchStatus::unknown;

  using BaseResponse::BaseResponse;
  /// Every optional field absent and every required one at its default.
  GetStarBatchResponse() = default;

  /// Equal when every field is equal.
  friend bool operator==(const GetStarBatchResponse&, const GetStarBatchResponse&) = default;
};

}  // namespace quillbox
