// Runs zavinspect's commands in process on files in a temporary folder and keeps what
// they print.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "inspect/inspect.h"
#include "tests/support/library_bytes.h"
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

  // A library of two symbols, "a" and "b", whose second block has a wrong CRC-32: the
  // damage shows only once that block is read, after "a" is done. Gives b's offset.
  std::string LibraryDamagedAtItsSecondSymbol(std::uint32_t& second) const {
    LibraryMaker maker;
    const std::uint32_t first = maker.AddSymbol("<svg/>");
    second = maker.AddSymbol("<svg><g/></svg>");
    std::string bytes = maker.Finish("\xEF\xBB\xBFlib:a=" + std::to_string(first) + "||\r\nlib:b=" +
                                     std::to_string(second) + "||\r\n");
    bytes[maker.Next() - 8] ^= 0x55;  // b's CRC-32
    return Put("lib.zavlibsvg", bytes);
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
