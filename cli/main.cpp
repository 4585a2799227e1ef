// quillbox: the Quillbox drive from the command line.
//
// Exit status: see ExitCodes.hpp. A failure prints one line on standard
// error, carrying the server's code and message when the server answered.

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>

#include "Client.hpp"
#include "Commands.hpp"
#include "Docs.hpp"
#include "Terminal.hpp"

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
