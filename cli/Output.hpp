#pragma once
// How the quillbox command shows its results: aligned tables and key/value
// lists for people, one JSON document per command for programs, and the
// small formatting helpers both share.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <boost/json/object.hpp>
#include <boost/json/value.hpp>

#include <quillbox/request/Json.hpp>

namespace quillbox::cli {

/// Rows under a header line, each column as wide as its widest cell.
struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  /// Columns whose cells are aligned to the right (numbers, sizes).
  std::vector<bool> rightAligned;

  void add(std::vector<std::string> row) { rows.push_back(std::move(row)); }
};

/// Writes `table` with two spaces between columns; trailing blanks are cut.
/// Cells go through forTerminal().
void printTable(std::ostream& out, const Table& table);

/// "Label:  value" lines with the values aligned; absent values are skipped.
/// Values go through forTerminal().
void printFields(std::ostream& out, const std::vector<std::pair<std::string, std::optional<std::string>>>& fields);

/// Columns a text takes on a terminal: wide East Asian characters count two.
std::size_t displayWidth(std::string_view text);

/// 0 B, 1023 B, 1.0 KiB, 64.0 MiB, 1.5 GiB ...
std::string humanSize(std::int64_t bytes);
/// A server's time ("2024-05-01T12:00:00.000Z", or with an offset such as
/// "+08:00") as "2024-05-01 14:00:00 +0200" in the local time zone (TZ), or
/// as "2024-05-01 12:00:00 UTC" when `utc` is set; other texts unchanged.
std::string timeText(std::string_view iso, bool utc);
/// A size for people ("1.5 MiB"), or in bytes when `exact` is set.
std::string sizeText(std::int64_t bytes, bool exact);
/// m:ss or h:mm:ss.
std::string clockDuration(double seconds);

/// The value, or "-" when absent.
std::string orDash(const std::optional<std::string>& text);
std::string orDash(const std::optional<std::int64_t>& number);

boost::json::value parseJson(std::string_view text);

/// A record's JSON (quillbox::toJson) as a Boost.JSON value, to embed it in
/// a larger document.
template <class Record>
boost::json::value recordValue(const Record& record) {
  return parseJson(quillbox::toJson(record));
}

/// Writes one JSON document and a newline.
void printJson(std::ostream& out, const boost::json::value& value);
void printJson(std::ostream& out, std::string_view json);

}  // namespace quillbox::cli
