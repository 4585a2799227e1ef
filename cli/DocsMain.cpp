// quillbox_docs: writes the quillbox manual page ("man FILE") or bash
// completion script ("bash FILE") from the command tree. Run by the build.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string_view>

#include <quillbox/version.hpp>

#include "Client.hpp"
#include "Commands.hpp"
#include "Docs.hpp"

int main(int argc, char** argv) {
  using namespace quillbox::cli;
  const std::string_view what = argc == 3 ? argv[1] : "";
  if (what != "man" && what != "bash") {
    std::cerr << "usage: quillbox_docs man|bash FILE\n";
    return kExitUsage;
  }
  Client client;
  Action action;
  CLI::App app{"", "quillbox"};
  buildApp(app, client, action);
  std::ofstream out(argv[2], std::ios::trunc);
  out << (what == "man" ? manPage(app, quillbox::version()) : bashCompletion(app));
  out.close();
  if (!out) {
    std::cerr << "quillbox_docs: cannot write " << argv[2] << "\n";
    return kExitFailure;
  }
  return kExitOk;
}
