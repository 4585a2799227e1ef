#pragma once

#include <string_view>

#include "quillbox/util/Log.hpp"

namespace quillbox::util {

/// Writes one diagnostic line to the current sink.
void log(std::string_view line);

}  // namespace quillbox::util
