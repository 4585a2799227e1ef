#include "emulator/ServiceUtil.hpp"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "quillbox/upload/FileType.hpp"

namespace quillbox::emulator {

std::string isoTime(Millis ms) {
  const std::time_t secs = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
  return buf;
}

std::string httpDate(Millis ms) {
  const std::time_t secs = static_cast<std::time_t>(ms / 1000);
  std::tm tm{};
  gmtime_r(&secs, &tm);
  char buf[40];
  std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
  return buf;
}

std::optional<Millis> parseTime(std::string_view text) {
  if (!text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    Millis v = 0;
    auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || p != text.data() + text.size()) return std::nullopt;
    return v;
  }
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, frac = 0, used = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6) return std::nullopt;
  std::string_view rest = std::string_view(copy).substr(static_cast<std::size_t>(used));
  if (!rest.empty() && rest.front() == '.') {
    std::size_t digits = 1;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    std::string ms(rest.substr(1, std::min<std::size_t>(digits - 1, 3)));
    while (ms.size() < 3) ms += '0';
    frac = std::stoi(ms);
    rest.remove_prefix(digits);
  }
  if (rest != "Z") return std::nullopt;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return std::nullopt;
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return static_cast<Millis>(timegm(&tm)) * 1000 + frac;
}

std::optional<std::string> percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  auto hexValue = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int hi = hexValue(text[i + 1]);
    const int lo = hexValue(text[i + 2]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

std::string percentEncode(std::string_view text) {
  static constexpr char digits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '-' || u == '.' ||
        u == '_' || u == '~') {
      out += c;
    } else {
      out += '%';
      out += digits[u >> 4];
      out += digits[u & 0xF];
    }
  }
  return out;
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) return true;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                        [&](char a, char b) { return lower(a) == lower(b); });
  return it != haystack.end();
}

Page paginate(std::size_t total, std::optional<std::int64_t> pageSize, const std::optional<std::string>& cursor,
              std::int64_t fallback) {
  std::int64_t size = pageSize.value_or(0);
  if (size < 0) throw ApiError{400, "the page size must not be negative"};
  if (size == 0) size = fallback;
  size = std::min<std::int64_t>(size, 1000);
  std::size_t first = 0;
  if (cursor && !cursor->empty()) {
    std::uint64_t offset = 0;
    auto [p, ec] = std::from_chars(cursor->data(), cursor->data() + cursor->size(), offset);
    if (ec != std::errc() || p != cursor->data() + cursor->size() || offset > total) {
      throw ApiError{400, "invalid page cursor \"" + *cursor + "\""};
    }
    first = static_cast<std::size_t>(offset);
  }
  Page page;
  page.first = first;
  page.last = std::min(total, first + static_cast<std::size_t>(size));
  if (page.last < total) page.next = std::to_string(page.last);
  return page;
}

std::optional<std::int64_t> queryInt(const std::map<std::string, std::string, std::less<>>& q, std::string_view key) {
  auto it = q.find(key);
  if (it == q.end() || it->second.empty()) return std::nullopt;
  std::int64_t v = 0;
  const std::string& t = it->second;
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  if (ec != std::errc() || p != t.data() + t.size()) {
    throw ApiError{400, "query item " + std::string(key) + " must be an integer, not \"" + t + "\""};
  }
  return v;
}

std::optional<std::string> queryText(const std::map<std::string, std::string, std::less<>>& q, std::string_view key) {
  auto it = q.find(key);
  if (it == q.end()) return std::nullopt;
  return it->second;
}

std::string suffixOf(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string fileTypeCode(const std::string& name) { return std::string(categoryCode(fileTypeOf(name))); }

std::string mimeTypeOfName(const std::string& name) { return mimeTypeOf(suffixOf(name)); }

}  // namespace quillbox::emulator
