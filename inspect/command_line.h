// zavinspect's command line: a command, its operands and the options, which may stand
// anywhere. A wrong command line is a UsageError, told with a pointer to --help.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zav::inspect {

enum class CommandName { Help, Version, List, Verify, Extract, Diff, Preview };

struct Command {
  CommandName name = CommandName::Help;
  std::vector<std::string> operands;
  bool json = false;
  std::uint64_t maxContentBytes = 0;  // 0: the reader's default
};

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

Command ParseCommandLine(const std::vector<std::string>& arguments);

// "256M", "1G", "4096": bytes, with K, M or G for powers of 1024.
std::uint64_t ParseSize(std::string_view text);

extern const std::string_view kHelpText;

}  // namespace zav::inspect
