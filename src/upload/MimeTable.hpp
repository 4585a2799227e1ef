#pragma once

#include <cstddef>

namespace quillbox::upload {

struct MimeEntry {
  const char* extension;  ///< lower case
  const char* mimeType;
};

/// Generated at build time from the system's mime.types: one entry per
/// extension (the first type that lists it), sorted by extension.
extern const MimeEntry kMimeTable[];
extern const std::size_t kMimeTableSize;

}  // namespace quillbox::upload
