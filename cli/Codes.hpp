#pragma once
// The numbers the server uses for kinds and states (a job's type and
// status, what was done with a recent file, a share's status, a file's type)
// and the names people read and type instead. Tables show the names; --json
// keeps the numbers; filters take either.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

namespace quillbox::cli {

struct CodeName {
  std::int64_t code;
  const char* name;
};

inline constexpr CodeName kJobTypes[] = {{1, "copy"}, {2, "move"}};
inline constexpr CodeName kJobStatuses[] = {
    {0, "waiting"}, {1, "running"}, {2, "done"}, {3, "failed"}, {4, "cancelled"}};
inline constexpr CodeName kAccessActions[] = {{1, "viewed"}, {2, "download-link"}, {3, "uploaded"}, {4, "renamed"}};
inline constexpr CodeName kShareStatuses[] = {{0, "active"}, {1, "expired"}};

/// The name of `code`; a code the table does not know is shown as its
/// number, an absent one as "-".
std::string nameOf(std::span<const CodeName> table, const std::optional<std::int64_t>& code);
/// The same for a code sent as decimal text.
std::string nameOf(std::span<const CodeName> table, const std::optional<std::string>& code);

/// "name1, name2, ... (or their numbers)", for help texts and refusals.
std::string acceptedNames(std::span<const CodeName> table);

/// A CLI11 transform for an option that takes one of `table`'s names or
/// numbers: it leaves the number in the option. Anything else is refused
/// with a message naming the accepted values.
CLI::Validator codeOf(std::span<const CodeName> table, std::string what);

/// The same for a file's type: "pdf", "picture", ... or the two-digit code
/// the server uses ("45", "15", ...); it leaves the code.
CLI::Validator fileTypeCodeOf();
/// `prefix`, followed by the type names.
std::string fileTypeHelp(std::string_view prefix);

}  // namespace quillbox::cli
