// The emulator's saved-state loader on any bytes: it refuses or loads, never
// crashes; and a state it loaded saves to text that loads again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "emulator/State.hpp"
#include "emulator/Storage.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillbox::emulator;
  const auto storage = Storage::memory();
  State state;
  std::string error;
  if (!loadState(std::string(reinterpret_cast<const char*>(data), size), state, *storage, error)) return 0;
  State again;
  if (!loadState(saveState(state), again, *storage, error)) std::abort();
  return 0;
}
