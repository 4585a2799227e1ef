// The profile reader on arbitrary bytes: a file that is not a profile is
// refused with a CliError, and a profile that is read is written and read
// back unchanged.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "Client.hpp"
#include "Profile.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillbox::cli;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    const Profile read = parseProfile(text, "profile.json");
    const Profile again = parseProfile(profileText(read), "profile.json");
    if (again.host != read.host || again.token != read.token) __builtin_trap();
  } catch (const CliError&) {
  }
  return 0;
}
