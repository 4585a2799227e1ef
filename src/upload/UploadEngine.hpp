#pragma once

#include "quillbox/services/file/IFile.hpp"
#include "request/Settings.hpp"
#include "util/MainQueue.hpp"
#include "util/NamedOperationQueue.hpp"

namespace quillbox::upload {

/// What the uploads of one client run on; the client owns every piece and
/// keeps it alive until its last upload has reported its outcome.
struct UploadEngine {
  /// The create and complete requests.
  IFile& files;
  /// The token and the container of new uploads; the transport of the part
  /// PUTs (settings.transport()).
  const request::Settings& settings;
  /// Where the bookkeeping runs and every upload event reaches the host.
  util::MainQueue& mainQueue;
  /// Runs the parts; its width bounds the parts in flight across uploads.
  util::NamedOperationQueue& partQueue;
};

}  // namespace quillbox::upload
