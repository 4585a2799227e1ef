#pragma once
// The commands. Each add* function declares its subcommands on the app;
// a chosen subcommand does not run during parsing but leaves its work in
// `action`, which main() runs once the global options are in force.

#include <functional>

#include <CLI/CLI.hpp>

#include "Client.hpp"

namespace quillbox::cli {

using Action = std::function<int()>;  // returns the exit status

/// Help of the options that take a share link's extract code.
inline constexpr const char* kShareCodeHelp =
    "; - reads it from standard input, and without this option QUILLBOX_SHARE_CODE is used. Prefer those: a code on "
    "the command line is visible to every local user";

/// login, logout, space, users ls|show, packages ls|orders
void addAccountCommands(CLI::App& app, Client& client, Action& action);
/// ls, search, stat, du, path, mkdir, rename, link, recent
void addFileCommands(CLI::App& app, Client& client, Action& action);
/// upload, download, sync
void addTransferCommands(CLI::App& app, Client& client, Action& action);
void addSyncCommand(CLI::App& app, Client& client, Action& action);
/// share create|ls|show|modify|cancel|files, star add|rm|ls
void addShareCommands(CLI::App& app, Client& client, Action& action);
/// jobs ls|create|show|cancel
void addJobCommands(CLI::App& app, Client& client, Action& action);
/// help [COMMAND], completion bash
void addHelpCommands(CLI::App& app, Action& action);

/// Downloads `url` (with progress on standard error, labelled `name`) and
/// writes the content to standard output, only once it has all arrived and,
/// when `expectedSha256` is given, matches it: the bytes wait in a private
/// temporary file meanwhile, so a reader never gets a truncated or corrupt
/// file. Returns the exit status; throws CliError.
int writeToStandardOutput(Client& client, const std::string& url, const std::string& name,
                          const std::optional<std::int64_t>& size, const std::optional<std::string>& expectedSha256);

/// The global options and every command, on `app`.
void buildApp(CLI::App& app, Client& client, Action& action);

}  // namespace quillbox::cli
