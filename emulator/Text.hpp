#pragma once
// UTF-8 text: what the emulator stores and writes is always valid UTF-8,
// whatever bytes a request carried.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillbox::emulator {

/// The length of the well-formed UTF-8 sequence at `text[i]` (1 to 4), or 0
/// when the bytes there are not one (overlong forms, surrogates and code
/// points above U+10FFFF are not).
std::size_t utf8SequenceAt(std::string_view text, std::size_t i);

bool isValidUtf8(std::string_view text);

/// `text` with every ill-formed sequence replaced by U+FFFD.
std::string toValidUtf8(std::string_view text);

/// The longest prefix of `text` of at most `maxBytes` bytes that ends on a
/// character boundary (`text` itself being valid UTF-8).
std::string_view utf8Prefix(std::string_view text, std::size_t maxBytes);

}  // namespace quillbox::emulator
