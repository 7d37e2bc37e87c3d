// The five commands of zavinspect, one unit each. Each returns the exit status: 0 ok,
// 1 a problem found or a difference; failures travel up as zav::Failure.
#pragma once

#include <ostream>

#include "inspect/command_line.h"

namespace zav::inspect {

int RunList(const Command& command, std::ostream& out, std::ostream& err);
int RunVerify(const Command& command, std::ostream& out, std::ostream& err);
int RunExtract(const Command& command, std::ostream& out, std::ostream& err);
int RunDiff(const Command& command, std::ostream& out, std::ostream& err);
int RunPreview(const Command& command, std::ostream& out, std::ostream& err);

}  // namespace zav::inspect
