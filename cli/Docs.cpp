#include "Docs.hpp"

#include <iostream>
#include <memory>

#include "Commands.hpp"

namespace quillbox::cli {

namespace {

std::vector<const CLI::App*> commandsOf(const CLI::App& app) {
  return app.get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty(); });
}

const CLI::App* commandNamed(const CLI::App& app, const std::string& name) {
  for (const CLI::App* sub : commandsOf(app)) {
    if (sub->get_name() == name) return sub;
  }
  return nullptr;
}

bool takesPositionals(const CLI::App& app) {
  return !app.get_options([](const CLI::Option* o) { return o->get_positional(); }).empty();
}

// The options a user types (the help flag left out), positionals apart.
std::vector<const CLI::Option*> flagsOf(const CLI::App& app) {
  const CLI::Option* help = app.get_help_ptr();
  return app.get_options([help](const CLI::Option* o) { return o != help && o->nonpositional(); });
}

std::vector<std::string> spellings(const CLI::Option& o) {
  std::vector<std::string> out;
  for (const auto& s : o.get_snames()) out.push_back("-" + s);
  for (const auto& l : o.get_lnames()) out.push_back("--" + l);
  return out;
}

bool takesValue(const CLI::Option& o) { return o.get_expected_min() > 0; }

// An option as the command line spells it, here or in a command above.
const CLI::Option* optionSpelled(const CLI::App* app, const std::string& spelled) {
  for (; app != nullptr; app = app->get_parent()) {
    if (const CLI::Option* o = app->get_option_no_throw(spelled)) return o;
  }
  return nullptr;
}

std::string joined(const std::vector<std::string>& words, const char* between) {
  std::string out;
  for (const auto& w : words) out += (out.empty() ? "" : between) + w;
  return out;
}

struct Node {
  std::vector<std::string> path;
  const CLI::App* app;
};

void collect(const CLI::App& app, std::vector<std::string> path, std::vector<Node>& out) {
  out.push_back({path, &app});
  for (const CLI::App* sub : commandsOf(app)) {
    std::vector<std::string> deeper = path;
    deeper.push_back(sub->get_name());
    collect(*sub, std::move(deeper), out);
  }
}

std::vector<Node> treeOf(const CLI::App& app) {
  std::vector<Node> nodes;
  collect(app, {}, nodes);
  return nodes;
}

}  // namespace

const CLI::App* findCommand(const CLI::App& app, const std::vector<std::string>& path) {
  const CLI::App* at = &app;
  for (const auto& name : path) {
    at = commandNamed(*at, name);
    if (!at) return nullptr;
  }
  return at;
}

std::optional<std::string> unknownCommandMessage(const CLI::App& app, const std::vector<std::string>& args) {
  const CLI::App* at = &app;
  std::vector<std::string> path;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") break;
    if (arg.size() > 1 && arg.front() == '-') {
      const auto equals = arg.find('=');
      const CLI::Option* o = optionSpelled(at, arg.substr(0, equals));
      if (o && equals == std::string::npos && takesValue(*o)) ++i;  // its value
      continue;
    }
    const std::vector<const CLI::App*> commands = commandsOf(*at);
    if (commands.empty()) break;
    if (const CLI::App* next = commandNamed(*at, arg)) {
      at = next;
      path.push_back(arg);
      continue;
    }
    if (takesPositionals(*at)) break;
    std::vector<std::string> names;
    for (const CLI::App* c : commands) names.push_back(c->get_name());
    path.push_back(arg);
    return "unknown command " + joined(path, " ") + "; the " + (path.size() > 1 ? path.front() + " " : "") +
           "commands are: " + joined(names, ", ") + " (quillbox help COMMAND shows one)";
  }
  return std::nullopt;
}

std::string bashCompletion(const CLI::App& app) {
  const std::vector<Node> nodes = treeOf(app);
  std::string commandPatterns, valueOptions, wordsByNode;
  for (const Node& n : nodes) {
    const std::string key = "/" + joined(n.path, "/");
    if (!n.path.empty()) commandPatterns += (commandPatterns.empty() ? "" : "|") + key;
    std::vector<std::string> words;
    for (const CLI::App* c : commandsOf(*n.app)) words.push_back(c->get_name());
    for (const CLI::Option* o : flagsOf(*n.app)) {
      for (const auto& s : spellings(*o)) {
        words.push_back(s);
        if (takesValue(*o)) valueOptions += (valueOptions.empty() ? "" : "|") + ("'" + key + " " + s + "'");
      }
    }
    wordsByNode += "    '" + key + "') words='" + joined(words, " ") + "' ;;\n";
  }
  std::string globals;
  for (const CLI::Option* o : flagsOf(app)) {
    for (const auto& s : spellings(*o)) globals += (globals.empty() ? "" : " ") + s;
  }
  return "# bash completion for quillbox, generated from its command tree.\n"
         "# Load it with: source <(quillbox completion bash)\n"
         "_quillbox() {\n"
         "  local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\" node='' i w words\n"
         "  for ((i = 1; i < COMP_CWORD; i++)); do\n"
         "    w=\"${COMP_WORDS[i]}\"\n"
         "    case \"$node/$w\" in\n"
         "      " + commandPatterns + ") node=\"$node/$w\" ;;\n"
         "    esac\n"
         "  done\n"
         "  [ -z \"$node\" ] && node=/\n"
         "  case \"$node $prev\" in\n"
         "    " + (valueOptions.empty() ? std::string("'-'") : valueOptions) + ") COMPREPLY=() ; return ;;\n"
         "  esac\n"
         "  case \"$node\" in\n" + wordsByNode +
         "  esac\n"
         "  [[ \"$cur\" == -* && \"$node\" != / ]] && words=\"$words " + globals + "\"\n"
         "  COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
         "}\n"
         "complete -o default -F _quillbox quillbox\n";
}

namespace {

// Text for roff: backslashes and hyphens escaped, and no line may start
// with a control character.
std::string roff(std::string_view text) {
  std::string out;
  bool lineStart = true;
  for (const char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    lineStart = c == '\n';
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

std::string optionEntry(const CLI::Option& o) {
  std::string head;
  if (o.get_positional()) {
    head = "\\fI" + roff(o.get_name(true)) + "\\fR";
  } else {
    for (const auto& s : spellings(o)) head += (head.empty() ? "" : ", ") + ("\\fB" + roff(s) + "\\fR");
    if (takesValue(o)) head += " \\fI" + roff(o.get_type_name().empty() ? "VALUE" : o.get_type_name()) + "\\fR";
  }
  return ".TP\n" + head + "\n" + roff(o.get_description()) + "\n";
}

}  // namespace

std::string manPage(const CLI::App& app, std::string_view version) {
  std::string page = ".TH QUILLBOX 1 \"\" \"quillbox " + roff(version) + "\" \"User Commands\"\n";
  page += ".SH NAME\nquillbox \\- the Quillbox drive from the command line\n";
  page += ".SH SYNOPSIS\n.B quillbox\n[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARGUMENTS\\fR]\n";
  page += ".SH DESCRIPTION\n" + roff(app.get_description()) + "\n.PP\n";
  page += "Files and folders are named by id or by /path from your root folder. Settings come from "
          "\\fB\\-\\-host\\fR and \\fB\\-\\-token\\fR, else the environment, else the profile "
          "\\fBquillbox login\\fR saved.\n";
  page += ".SH OPTIONS\nThese go before or after the command.\n";
  for (const CLI::Option* o : flagsOf(app)) page += optionEntry(*o);
  page += ".SH COMMANDS\n";
  for (const Node& n : treeOf(app)) {
    if (n.path.empty() || !commandsOf(*n.app).empty()) continue;
    std::string usage = "quillbox " + joined(n.path, " ");
    const auto positionals = n.app->get_options([](const CLI::Option* o) { return o->get_positional(); });
    for (const CLI::Option* p : positionals) usage += " " + p->get_name(true);
    page += ".SS \"" + roff(usage) + "\"\n" + roff(n.app->get_description()) + "\n";
    for (const CLI::Option* p : positionals) page += optionEntry(*p);
    for (const CLI::Option* o : flagsOf(*n.app)) page += optionEntry(*o);
  }
  page += ".SH EXIT STATUS\n";
  for (const auto& [status, meaning] : kExitStatuses) {
    page += ".TP\n.B " + std::to_string(status) + "\n" + roff(meaning) + "\n";
  }
  page += ".SH ENVIRONMENT\n"
          ".TP\n.B QUILLBOX_HOST\nThe server address, when \\fB\\-\\-host\\fR is not given.\n"
          ".TP\n.B QUILLBOX_TOKEN\nThe access token, when \\fB\\-\\-token\\fR is not given.\n"
          ".TP\n.B QUILLBOX_AUTH_CODE\nThe authorisation code \\fBlogin\\fR uses without \\fB\\-\\-auth\\-code\\fR.\n"
          ".TP\n.B QUILLBOX_SHARE_CODE\nThe extract code of share links, without \\fB\\-\\-code\\fR.\n"
          ".TP\n.B TZ\nThe time zone times are shown in (without \\fB\\-\\-utc\\fR).\n"
          ".SH FILES\n"
          ".TP\n.I $XDG_CONFIG_HOME/quillbox/profile.json\n"
          "The server address and access token \\fBlogin\\fR saved (\\fI~/.config/quillbox/\\fR without "
          "XDG_CONFIG_HOME), readable by the user only.\n";
  return page;
}

void addHelpCommands(CLI::App& app, Action& action) {
  auto path = std::make_shared<std::vector<std::string>>();
  CLI::App* help = app.add_subcommand("help", "Show what a command does and its options, e.g. quillbox help jobs ls");
  help->add_option("COMMAND", *path, "The command, and its subcommand");
  help->callback([&app, &action, path] {
    action = [&app, path] {
      const CLI::App* command = findCommand(app, *path);
      if (!command) {
        throw CliError(unknownCommandMessage(app, *path).value_or("no command " + joined(*path, " ")), kExitUsage);
      }
      std::vector<std::string> parents = *path;
      if (!parents.empty()) parents.pop_back();
      parents.insert(parents.begin(), "quillbox");
      std::cout << command->help(command == &app ? "" : joined(parents, " "));
      return kExitOk;
    };
  });

  auto shell = std::make_shared<std::string>();
  CLI::App* completion =
      app.add_subcommand("completion", "Print the shell's completion script: source <(quillbox completion bash)");
  completion->add_option("SHELL", *shell, "The shell: bash")->required()->check(CLI::IsMember({"bash"}));
  completion->callback([&app, &action] {
    action = [&app] {
      std::cout << bashCompletion(app);
      return kExitOk;
    };
  });
}

}  // namespace quillbox::cli
