#include "inspect/console_text.h"

#include <cstdio>

#include "platform/unicode.h"

namespace zav::inspect {

std::string ConsoleText(std::string_view text) {
  const std::string valid = SanitizeUtf8(text);
  std::string shown;
  shown.reserve(valid.size());
  for (const char c : valid) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else if (c == '\t') {
      shown += "\\t";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
    }
  }
  return shown;
}

void PrintProblem(std::ostream& out, const std::string& libraryPath, const reader::Problem& problem) {
  out << ConsoleText(libraryPath) << ": " << ConsoleText(problem.where) << ": "
      << (problem.severity == reader::Severity::Warning ? "warning: " : "") << ConsoleText(problem.what) << '\n';
}

void PrintProblems(std::ostream& out, const std::string& libraryPath, const std::vector<reader::Problem>& problems) {
  for (const reader::Problem& problem : problems) PrintProblem(out, libraryPath, problem);
}

std::string Counted(std::size_t count, std::string_view noun) {
  return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

}  // namespace zav::inspect
