#include "Terminal.hpp"

#include <cstdio>

namespace quillbox::cli {

namespace {

// The length of the well-formed UTF-8 sequence at `i` (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0 when there is none.
std::size_t sequenceLength(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t need = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  if ((b0 & 0xE0) == 0xC0) {
    need = 1;
    min = 0x80;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    need = 2;
    min = 0x800;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    need = 3;
    min = 0x10000;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + need >= s.size()) return 0;  // cut short
  for (std::size_t k = 1; k <= need; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return need + 1;
}

bool actsOnTerminal(char32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) ||             // C0, DEL, C1
         cp == 0x061C || cp == 0x200E || cp == 0x200F ||         // bidirectional marks
         (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);  // embeddings, overrides, isolates
}

}  // namespace

std::string forTerminal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char escape[12];
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const std::size_t n = sequenceLength(text, i, cp);
    if (n == 0) {
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(text[i]));
      out += escape;
      ++i;
      continue;
    }
    if (!actsOnTerminal(cp)) {
      out.append(text, i, n);
    } else if (cp < 0x80) {
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned>(cp));
      out += escape;
    } else {
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(cp));
      out += escape;
    }
    i += n;
  }
  return out;
}

}  // namespace quillbox::cli
