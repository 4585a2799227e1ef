#include "quillbox/util/Blocking.hpp"

#include "util/ThreadPool.hpp"

namespace quillbox {

bool isSdkCallbackThread() { return util::ThreadPool::onPoolThread(); }

}  // namespace quillbox
