#pragma once
// What the command says about itself, all derived from the command tree:
// `quillbox help COMMAND`, the message for a command that does not exist,
// the bash completion script and the manual page.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace quillbox::cli {

/// When `args` (the arguments after the program's name) name a command that
/// is not in the tree ("rm x", "jobs rmm"), the message saying so with the
/// commands there are; nothing when they do not.
std::optional<std::string> unknownCommandMessage(const CLI::App& app, const std::vector<std::string>& args);

/// The command `path` names ({"jobs", "ls"}), or nullptr.
const CLI::App* findCommand(const CLI::App& app, const std::vector<std::string>& path);

/// A bash script that completes the commands and options of the tree
/// (`complete -F`); the completion falls back to file names.
std::string bashCompletion(const CLI::App& app);

/// The manual page (man(7) macros) of the whole tree: every command with
/// its arguments and options, the exit statuses, the environment and files.
std::string manPage(const CLI::App& app, std::string_view version);

}  // namespace quillbox::cli
