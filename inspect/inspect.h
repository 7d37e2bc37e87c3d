// zavinspect as a call: the arguments (without the program's name) in, the exit
// status out; 0 ok, 1 a problem found or a failure, 2 a wrong command line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zav::inspect {

inline constexpr int kExitOk = 0;
inline constexpr int kExitProblem = 1;
inline constexpr int kExitUsage = 2;

int RunInspect(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace zav::inspect
