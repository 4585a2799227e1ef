#pragma once

#include <functional>
#include <string_view>

namespace quillbox {

/// Receives the SDK's diagnostic lines, one call per line, without the
/// trailing newline. It may be called from several threads at once, never
/// from the transport's I/O thread, and never while the SDK holds a lock.
using LogSink = std::function<void(std::string_view line)>;

/// Replaces the sink. By default every line goes to standard output; an empty
/// function silences the SDK. Lines already being written finish on the old
/// sink.
void setLogSink(LogSink sink);
/// Restores the default sink (standard output).
void resetLogSink();

}  // namespace quillbox
