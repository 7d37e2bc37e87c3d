#include "inspect/console_text.h"


#include "platform/name_rules.h"
#include "platform/unicode.h"

namespace zav::inspect {

std::string ConsoleText(std::string_view text) { return EscapeControlCharacters(SanitizeUtf8(text)); }

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
