// Runs zavinspect's commands in process on files in a temporary folder and keeps what
// they print.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "inspect/inspect.h"
#include "tests/support/temp_dir.h"

namespace zavtest {

struct InspectResult {
  int status = -1;
  std::string out;
  std::string err;
};

class InspectTest : public TempDirTest {
 protected:
  static InspectResult Inspect(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int status = zav::inspect::RunInspect(arguments, out, err);
    return {status, out.str(), err.str()};
  }

  // The lines of a text, each without the "<path>: " that starts it where it does.
  static std::vector<std::string> LinesWithout(const std::string& text, const std::string& prefix) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      lines.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
    }
    return lines;
  }
};

}  // namespace zavtest
