#pragma once

#include <string_view>

#include "quillbox/util/Log.hpp"

namespace quillbox::util {

/// Whether a line of this level would be written: it is within the current
/// level and a sink is installed. Cheap enough to ask before every line.
bool logEnabled(LogLevel level) noexcept;

/// Writes one line to the current sink, whatever the level. Call sites use
/// QUILLBOX_LOG, which builds the line only when it will be written.
void writeLog(LogLevel level, std::string_view line);

}  // namespace quillbox::util

/// Writes a diagnostic line at the given level (error, warning, info or
/// debug); the line, anything convertible to std::string_view, is only
/// evaluated when it will be written:
///   QUILLBOX_LOG(debug, "Request url = " + maskUrlQuery(url));
#define QUILLBOX_LOG(level, ...)                                                   \
  do {                                                                             \
    if (::quillbox::util::logEnabled(::quillbox::LogLevel::level)) {               \
      ::quillbox::util::writeLog(::quillbox::LogLevel::level, (__VA_ARGS__));      \
    }                                                                              \
  } while (false)
