#pragma once

#include <functional>
#include <string_view>

namespace quillbox {

/// How much the SDK says, from least to most; each level includes the ones
/// before it. `error`: an operation failed. `warning`: something went wrong
/// that the SDK got past. `info`: an upload's or a queue's milestones.
/// `debug`: every request and answer as sent and received (secrets masked),
/// progress and the upload's bookkeeping.
enum class LogLevel { error, warning, info, debug };

/// Receives the SDK's diagnostic lines, one call per line, without the
/// trailing newline. It may be called from several threads at once, never
/// from the transport's I/O thread, and never while the SDK holds a lock.
using LogSink = std::function<void(std::string_view line)>;
/// A sink that is also told each line's level (to route it to the host's
/// own logger, say). Called under the same rules as a LogSink.
using LevelledLogSink = std::function<void(LogLevel level, std::string_view line)>;

/// Replaces the sink. By default every line goes to standard output; an empty
/// function silences the SDK. Lines already being written finish on the old
/// sink.
void setLogSink(LogSink sink);
/// The same, for a sink that wants each line's level.
void setLevelledLogSink(LevelledLogSink sink);
/// Restores the default sink (standard output).
void resetLogSink();

/// Lines of a level above this one are dropped before they are formatted;
/// so is every line while the sink is empty. The default is `debug`: every
/// line is written.
void setLogLevel(LogLevel level);
/// The level set last (`debug` until set).
LogLevel logLevel();

}  // namespace quillbox
