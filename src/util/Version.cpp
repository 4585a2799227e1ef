#include "quillbox/version.hpp"

namespace quillbox {

const char* version() noexcept { return QUILLBOX_VERSION_STRING; }

}  // namespace quillbox
