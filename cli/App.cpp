// The whole command tree in one place: the global options and every
// command. The program, its manual page and its shell completion are all
// built from this one tree, so none of them can fall out of step.

#include <quillbox/version.hpp>

#include "Commands.hpp"
#include "Docs.hpp"

namespace quillbox::cli {

void buildApp(CLI::App& app, Client& client, Action& action) {
  app.description("quillbox: the Quillbox drive from the command line");
  std::string footer =
      "Settings: --host/--token, else QUILLBOX_HOST/QUILLBOX_TOKEN, else the profile quillbox login saved.\n"
      "Files and folders are named by id or by /path from your root folder.\n"
      "quillbox help COMMAND shows a command's options.\nExit status:";
  for (const auto& [status, meaning] : kExitStatuses) footer += " " + std::to_string(status) + " " + meaning + ",";
  footer.back() = '.';
  app.footer(footer);
  app.require_subcommand(1);
  app.fallthrough();
  app.set_version_flag("--version", std::string("quillbox ") + quillbox::version(),
                       "The version of the Quillbox library the command runs with");
  GlobalOptions& g = client.options();
  app.add_option("--host", g.host, "Server address, e.g. https://drive.example.com");
  app.add_option("--token", g.token,
                 "Access token; - reads it from standard input. Prefer that or QUILLBOX_TOKEN: a token on the command "
                 "line is visible to every local user");
  app.add_flag("--json", g.json, "Machine-readable output: one JSON document on standard output");
  app.add_flag("-v,--verbose", g.verbose, "Show the SDK's diagnostic lines on standard error");
  app.add_flag("--utc", g.utc, "Times in UTC (default: the local time zone, TZ)");
  app.add_option("--timeout", g.timeout, "Seconds a request to the server may take, retries included (default 120)")
      ->check(CLI::PositiveNumber);
  app.add_flag("-q,--quiet", g.quiet,
               "No progress, notes or confirmations on standard error or output: only results and errors");

  addAccountCommands(app, client, action);
  addFileCommands(app, client, action);
  addTransferCommands(app, client, action);
  addShareCommands(app, client, action);
  addJobCommands(app, client, action);
  addHelpCommands(app, action);
}

}  // namespace quillbox::cli
