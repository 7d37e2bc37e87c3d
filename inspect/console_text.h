// What zavinspect prints about a library: problems as "LIB: <where>: <what>", and names
// and captions made safe for a terminal (a control character is shown, never sent).
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "reader/problem.h"

namespace zav::inspect {

// Invalid UTF-8 becomes U+FFFD; a control character becomes "\t", "\x1b" and the like.
std::string ConsoleText(std::string_view text);

void PrintProblem(std::ostream& out, const std::string& libraryPath, const reader::Problem& problem);
void PrintProblems(std::ostream& out, const std::string& libraryPath, const std::vector<reader::Problem>& problems);

// "1 problem", "2 warnings".
std::string Counted(std::size_t count, std::string_view noun);

}  // namespace zav::inspect
