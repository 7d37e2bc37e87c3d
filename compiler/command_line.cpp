#include "compiler/command_line.h"

namespace zav {
namespace {

bool IsBlank(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

// Reads one item at pos; returns false when only blanks (and skipped pairs) remain.
bool NextItem(std::string_view line, std::size_t& pos, std::string& item) {
  const auto at = [&](std::size_t i) { return i < line.size() ? line[i] : '\0'; };
  for (;;) {
    while (IsBlank(at(pos))) ++pos;
    if (at(pos) == '"' && at(pos + 1) == '"') {
      pos += 2;
    } else {
      break;
    }
  }
  if (at(pos) == '\0') return false;
  item.clear();
  bool quoted = false;
  for (char c = at(pos); c != '\0' && (quoted || !IsBlank(c)); c = at(++pos)) {
    if (c == '"') {
      quoted = !quoted;
    } else {
      item += c;
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  std::size_t pos = 0;
  std::string item;
  if (!NextItem(commandLine, pos, item)) return arguments;  // the program's own path
  while (NextItem(commandLine, pos, item)) {
    if (!item.empty()) arguments.push_back(item);  // a lone quote at the very end
  }
  return arguments;
}

std::vector<std::string> ArgumentsFrom(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr && argv[i][0] != '\0') arguments.emplace_back(argv[i]);
  }
  return arguments;
}

}  // namespace zav
