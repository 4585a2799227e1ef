#include "upload/UploadRecordsCodec.hpp"

namespace quillbox::json {

template <>
struct Record<PartInfo> {
  static constexpr auto fields = std::tuple{
      field("partNumber", &PartInfo::partNumber),
      field("partOffset", &PartInfo::partOffset),
      field("partSize", &PartInfo::partSize),
      field("hashCtx", &PartInfo::hashCtx),
  };
};

template <>
struct Record<FilePartInfo> {
  static constexpr auto fields = std::tuple{
      field("partNumber", &FilePartInfo::partNumber),
      field("partSize", &FilePartInfo::partSize),
      field("partOffset", &FilePartInfo::partOffset),
      field("hashCtx", &FilePartInfo::hashCtx),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(PartInfo)
QUILLBOX_RECORD_CODEC(FilePartInfo)

namespace quillbox::json {

template <>
struct Record<Sha256Result> {
  static constexpr auto fields = std::tuple{
      field("mimeType", &Sha256Result::mimeType),
      field("size", &Sha256Result::size),
      field("hash", &Sha256Result::hash),
      field("parts", &Sha256Result::parts),
  };
};

}  // namespace quillbox::json

QUILLBOX_RECORD_CODEC(Sha256Result)
