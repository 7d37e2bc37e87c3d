// Any text as a Windows command line: the arguments hold no double quote and none is
// empty. And the other way round: arguments each written in double quotes, the way the
// front end starts the compiler, come back exactly as they were.
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/command_line.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = zavfuzz::AsText(data, size);
  for (const std::string& argument : zav::SplitCommandLine(text)) {
    zavfuzz::Require(!argument.empty(), "no argument is empty");
    zavfuzz::Require(argument.find('"') == std::string::npos, "quotes are dropped");
    zavfuzz::Require(argument.find('\0') == std::string::npos, "a NUL ends the line");
  }

  // The same bytes as arguments, split at each "\n"; what a command line can carry.
  std::vector<std::string> arguments;
  std::string line = "\"C:\\Program Files\\zavbuild.exe\"";
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view argument = text.substr(start, end - start);
    start = end + 1;
    if (argument.empty() || argument.find_first_of(std::string_view("\"\0", 2)) != std::string_view::npos) continue;
    arguments.emplace_back(argument);
    line += " \"" + std::string(argument) + "\"";
  }
  zavfuzz::Require(zav::SplitCommandLine(line) == arguments, "quoted arguments come back as they were");
  return 0;
}
