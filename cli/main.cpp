// quillbox: the Quillbox drive from the command line.
//
// Exit status: 0 success; 1 the server or a transfer refused (the line on
// standard error carries the server's code and message); 2 bad arguments or
// missing settings; 130 interrupted by Ctrl-C.

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>

#include "Client.hpp"
#include "Commands.hpp"
#include "Terminal.hpp"

int main(int argc, char** argv) {
  using namespace quillbox::cli;
  // A closed pipe (quillbox ls | head) must not kill the SDK's threads.
  std::signal(SIGPIPE, SIG_IGN);

  Client client;
  Action action;
  CLI::App app{"quillbox: the Quillbox drive from the command line"};
  app.footer(
      "Settings: --host/--token, else QUILLBOX_HOST/QUILLBOX_TOKEN, else the profile quillbox login saved.\n"
      "Files and folders are named by id or by /path from your root folder.\n"
      "Exit status: 0 success, 1 refused by the server or failed, 2 bad usage, 130 interrupted.");
  app.require_subcommand(1);
  app.fallthrough();
  GlobalOptions& g = client.options();
  app.add_option("--host", g.host, "Server address, e.g. https://drive.example.com");
  app.add_option("--token", g.token,
                 "Access token; - reads it from standard input. Prefer that or QUILLBOX_TOKEN: a token on the command "
                 "line is visible to every local user");
  app.add_flag("--json", g.json, "Machine-readable output: one JSON document on standard output");
  app.add_flag("-v,--verbose", g.verbose, "Show the SDK's diagnostic lines on standard error");

  addAccountCommands(app, client, action);
  addFileCommands(app, client, action);
  addTransferCommands(app, client, action);
  addShareCommands(app, client, action);
  addJobCommands(app, client, action);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  } catch (const CliError& e) {
    std::cerr << "quillbox: " << forTerminal(e.what()) << "\n";
    return e.exitCode();
  }

  client.installLogSink();
  int status = kExitFailure;
  try {
    status = action ? action() : kExitUsage;
  } catch (const CliError& e) {
    client.console().clearStatus();
    std::cout.flush();
    std::cerr << "quillbox: " << forTerminal(e.what()) << std::endl;
    status = e.exitCode();
  } catch (const std::exception& e) {
    client.console().clearStatus();
    std::cout.flush();
    std::cerr << "quillbox: " << forTerminal(e.what()) << std::endl;
    status = kExitFailure;
  }
  std::cout.flush();
  return status;
}
