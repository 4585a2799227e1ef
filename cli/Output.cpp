#include "Output.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

#include "Terminal.hpp"

namespace quillbox::cli {

namespace {

// Decodes one UTF-8 sequence at `i`; a malformed byte counts as one code point.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  auto cont = [&](std::size_t k) -> int {
    if (i + k >= s.size()) return -1;
    const auto b = static_cast<unsigned char>(s[i + k]);
    return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
  };
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int need = 0;
  char32_t cp = 0;
  if ((b0 & 0xE0) == 0xC0) {
    need = 1;
    cp = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    need = 2;
    cp = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    need = 3;
    cp = b0 & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= need; ++k) {
    const int c = cont(static_cast<std::size_t>(k));
    if (c < 0) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | static_cast<char32_t>(c);
  }
  i += static_cast<std::size_t>(need) + 1;
  return cp;
}

bool isWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0x303E) || (cp >= 0x3041 && cp <= 0x33FF) ||
         (cp >= 0x3400 && cp <= 0x4DBF) || (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xA000 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F) ||
         (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1F64F) ||
         (cp >= 0x20000 && cp <= 0x3FFFD);
}

}  // namespace

std::size_t displayWidth(std::string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size();) width += isWide(nextCodePoint(text, i)) ? 2 : 1;
  return width;
}

void printTable(std::ostream& out, const Table& table) {
  const std::size_t columns = table.header.size();
  std::vector<std::size_t> widths(columns, 0);
  std::vector<std::vector<std::string>> cells;
  cells.reserve(table.rows.size() + 1);
  cells.push_back(table.header);
  for (const auto& row : table.rows) {
    std::vector<std::string> clean;
    for (std::size_t c = 0; c < columns; ++c) clean.push_back(c < row.size() ? forTerminal(row[c]) : std::string());
    cells.push_back(std::move(clean));
  }
  for (const auto& row : cells) {
    for (std::size_t c = 0; c < columns; ++c) widths[c] = std::max(widths[c], displayWidth(row[c]));
  }
  for (const auto& row : cells) {
    std::string line;
    for (std::size_t c = 0; c < columns; ++c) {
      const std::size_t pad = widths[c] - displayWidth(row[c]);
      const bool right = c < table.rightAligned.size() && table.rightAligned[c];
      if (c > 0) line += "  ";
      if (right) line.append(pad, ' ');
      line += row[c];
      if (!right) line.append(pad, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  }
}

void printFields(std::ostream& out, const std::vector<std::pair<std::string, std::optional<std::string>>>& fields) {
  std::size_t width = 0;
  for (const auto& [label, value] : fields) {
    if (value) width = std::max(width, displayWidth(label));
  }
  for (const auto& [label, value] : fields) {
    if (!value) continue;
    out << label << ':' << std::string(width - displayWidth(label) + 2, ' ') << forTerminal(*value) << '\n';
  }
}

std::string humanSize(std::int64_t bytes) {
  if (bytes < 0) return "-";
  if (bytes < 1024) return std::to_string(bytes) + " B";
  static constexpr const char* units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  double value = static_cast<double>(bytes) / 1024.0;
  std::size_t unit = 0;
  while (value >= 1024.0 && unit + 1 < std::size(units)) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
  return text;
}

std::string sizeText(std::int64_t bytes, bool exact) { return exact ? std::to_string(bytes) : humanSize(bytes); }

namespace {

// The number in iso[at, at + digits), or -1.
int digitsAt(std::string_view iso, std::size_t at, std::size_t digits) {
  int value = 0;
  if (at + digits > iso.size()) return -1;
  for (std::size_t i = at; i < at + digits; ++i) {
    if (iso[i] < '0' || iso[i] > '9') return -1;
    value = value * 10 + (iso[i] - '0');
  }
  return value;
}

}  // namespace

std::string timeText(std::string_view iso, bool utc) {
  // 2024-05-01T12:00:00[.fff][Z|+hh:mm|-hh:mm]
  const std::string unchanged(iso);
  if (iso.size() < 19 || iso[4] != '-' || iso[7] != '-' || iso[10] != 'T' || iso[13] != ':' || iso[16] != ':') {
    return unchanged;
  }
  std::tm tm{};
  tm.tm_year = digitsAt(iso, 0, 4) - 1900;
  tm.tm_mon = digitsAt(iso, 5, 2) - 1;
  tm.tm_mday = digitsAt(iso, 8, 2);
  tm.tm_hour = digitsAt(iso, 11, 2);
  tm.tm_min = digitsAt(iso, 14, 2);
  tm.tm_sec = digitsAt(iso, 17, 2);
  if (tm.tm_year < -1900 || tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour < 0 ||
      tm.tm_hour > 23 || tm.tm_min < 0 || tm.tm_min > 59 || tm.tm_sec < 0 || tm.tm_sec > 60) {
    return unchanged;
  }
  std::size_t at = 19;
  if (at < iso.size() && iso[at] == '.') {
    ++at;
    while (at < iso.size() && iso[at] >= '0' && iso[at] <= '9') ++at;
  }
  const std::string_view zone = iso.substr(at);
  long offset = 0;
  if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
    const int hours = digitsAt(zone, 1, 2), minutes = digitsAt(zone, 4, 2);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return unchanged;
    offset = (zone[0] == '-' ? -1L : 1L) * (hours * 3600L + minutes * 60L);
  } else if (!zone.empty() && zone != "Z") {
    return unchanged;
  }
  const std::time_t when = ::timegm(&tm) - offset;
  std::tm shown{};
  if (utc ? ::gmtime_r(&when, &shown) == nullptr : ::localtime_r(&when, &shown) == nullptr) return unchanged;
  char text[64];
  if (std::strftime(text, sizeof text, utc ? "%Y-%m-%d %H:%M:%S UTC" : "%Y-%m-%d %H:%M:%S %z", &shown) == 0) {
    return unchanged;
  }
  return text;
}

std::string clockDuration(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) return "--:--";
  const auto total = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, (total / 60) % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  }
  return text;
}

std::string orDash(const std::optional<std::string>& text) { return text && !text->empty() ? *text : "-"; }
std::string orDash(const std::optional<std::int64_t>& number) { return number ? std::to_string(*number) : "-"; }

boost::json::value parseJson(std::string_view text) { return boost::json::parse(text); }

void printJson(std::ostream& out, const boost::json::value& value) { out << boost::json::serialize(value) << '\n'; }
void printJson(std::ostream& out, std::string_view json) { out << json << '\n'; }

}  // namespace quillbox::cli
