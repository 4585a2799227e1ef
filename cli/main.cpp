// quillbox: the Quillbox drive from the command line.
//
// Exit status: see ExitCodes.hpp. A failure prints one line on standard
// error; a failed request to the server names the command the user ran and
// says what went wrong and, when there is something to do, what.

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>

#include "Client.hpp"
#include "Commands.hpp"
#include "Docs.hpp"
#include "Terminal.hpp"

namespace {

// "quillbox share show ID": the command words and their arguments as the
// user gave them. Options are left out: some carry secrets.
std::string commandLine(const CLI::App& app) {
  std::string line = "quillbox";
  for (const CLI::App* at = &app; !at->get_subcommands().empty();) {
    at = at->get_subcommands().front();
    line += " " + at->get_name();
    for (const CLI::Option* option : at->get_options()) {
      if (!option->get_positional()) continue;
      for (const std::string& value : option->results()) line += " " + value;
    }
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace quillbox::cli;
  // A closed pipe (quillbox ls | head) must not kill the SDK's threads.
  std::signal(SIGPIPE, SIG_IGN);

  Client client;
  Action action;
  CLI::App app{"", "quillbox"};
  buildApp(app, client, action);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    // "quillbox rm x" is an unknown command, not a missing one.
    if (auto unknown = unknownCommandMessage(app, std::vector<std::string>(argv + 1, argv + argc))) {
      std::cerr << "quillbox: " << forTerminal(*unknown) << "\n";
    } else {
      app.exit(e);
    }
    return kExitUsage;
  } catch (const CliError& e) {
    std::cerr << "quillbox: " << forTerminal(e.what()) << "\n";
    return e.exitCode();
  }

  client.installLogSink();
  client.setCommandLine(commandLine(app));
  int status = kExitFailure;
  try {
    status = action ? action() : kExitUsage;
  } catch (const CliError& e) {
    client.console().clearStatus();
    std::cout.flush();
    const std::string who = e.aboutCommand() ? client.commandLine() + ": " : "quillbox: ";
    std::cerr << forTerminal(who + e.what()) << std::endl;
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
