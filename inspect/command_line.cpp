#include "inspect/command_line.h"

#include <charconv>
#include <limits>

namespace zav::inspect {

const std::string_view kHelpText =
    "usage: zavinspect [OPTIONS] COMMAND ARGUMENTS\n"
    "Reads a symbol library (.zavlibsvg) back.\n"
    "\n"
    "Commands:\n"
    "  list LIB [--json]    the library name, copyright text, symbol count, then one line per\n"
    "                       symbol in file order: name, offset, stored size, content size,\n"
    "                       caption, category, aliases (tab-separated); --json: one JSON document\n"
    "  verify LIB           checks every rule of the format and that each symbol is well-formed\n"
    "                       XML with the root element svg; one line per problem\n"
    "                       (\"LIB: <where>: <what>\"), then a summary line\n"
    "  extract LIB DIR      writes every symbol as DIR/<name>.svg with its descriptor\n"
    "                       <name>.svg.inf, and copyright.txt; never overwrites a file, and a\n"
    "                       failure leaves DIR as it was\n"
    "  diff OLD NEW         symbols added, removed and changed (content, caption, category,\n"
    "                       aliases) and a changed copyright\n"
    "  preview LIB OUT.html one self-contained HTML page showing every symbol, with a filter box\n"
    "\n"
    "Options:\n"
    "  --max-symbol-size BYTES  largest content a symbol, the index or the copyright may\n"
    "                           inflate to (K, M, G: powers of 1024; default 256M)\n"
    "  --json                   list only: print one JSON document\n"
    "  --help                   print this text\n"
    "  --version                print the version\n"
    "\n"
    "Exit status: 0 ok; 1 a problem found (verify), a difference (diff) or a failure;\n"
    "2 a wrong command line.\n";

namespace {

struct CommandWord {
  std::string_view word;
  CommandName name;
  std::size_t operands;
};

constexpr CommandWord kCommands[] = {
    {"list", CommandName::List, 1},       {"verify", CommandName::Verify, 1}, {"extract", CommandName::Extract, 2},
    {"diff", CommandName::Diff, 2},       {"preview", CommandName::Preview, 2},
};

}  // namespace

std::uint64_t ParseSize(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  std::string_view suffix(end, static_cast<std::size_t>(text.data() + text.size() - end));
  unsigned shift = 0;
  if (suffix == "K" || suffix == "k") shift = 10;
  if (suffix == "M" || suffix == "m") shift = 20;
  if (suffix == "G" || suffix == "g") shift = 30;
  if (shift != 0) suffix = {};
  if (error != std::errc() || !suffix.empty() || value == 0 ||
      value > (std::numeric_limits<std::uint64_t>::max() >> shift)) {
    throw UsageError("--max-symbol-size takes a number of bytes greater than 0 (K, M, G allowed), not \"" +
                     std::string(text) + "\"");
  }
  return value << shift;
}

Command ParseCommandLine(const std::vector<std::string>& arguments) {
  Command command;
  std::vector<std::string> words;
  bool help = false;
  bool version = false;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnd || argument.empty() || argument[0] != '-' || argument == "-") {
      words.push_back(argument);
    } else if (argument == "--") {
      optionsEnd = true;
    } else if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--json") {
      command.json = true;
    } else if (argument == "--max-symbol-size") {
      if (i + 1 == arguments.size()) throw UsageError("--max-symbol-size needs a number of bytes");
      command.maxContentBytes = ParseSize(arguments[++i]);
    } else if (argument.starts_with("--max-symbol-size=")) {
      command.maxContentBytes = ParseSize(std::string_view(argument).substr(18));
    } else {
      throw UsageError("unknown option " + argument);
    }
  }
  if (help) return Command{CommandName::Help, {}, false, 0};
  if (version) return Command{CommandName::Version, {}, false, 0};
  if (words.empty()) throw UsageError("no command given");
  for (const CommandWord& known : kCommands) {
    if (words[0] != known.word) continue;
    command.name = known.name;
    command.operands.assign(words.begin() + 1, words.end());
    if (command.operands.size() != known.operands) {
      throw UsageError(std::string(known.word) + " takes " + (known.operands == 1 ? "one file" : "two operands") +
                       ", not " + std::to_string(command.operands.size()));
    }
    if (command.json && command.name != CommandName::List) throw UsageError("--json goes with list only");
    return command;
  }
  throw UsageError("unknown command " + words[0]);
}

}  // namespace zav::inspect
