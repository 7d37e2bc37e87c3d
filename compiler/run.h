// One run of the compiler: banner, usage or progress lines, the library written in its
// fixed order, and the one place where a failure becomes the report line. A lone
// "--version" or "--help" prints the version or the usage text with the options.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "compiler/library_writer.h"

namespace zav {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct RunOptions {
  std::uint64_t libraryLimitBytes = kFormatLimitBytes;  // lowered by tests only
  unsigned threads = 0;  // 0: from ZAV_THREADS, else one per core
};

// The whole program behind main(), callable in-process (the front end's RunCompiler,
// by contrast, starts the built program). Prints to `console` (lines end in "\n",
// flushed at once) and returns the exit status.
int ZavbuildMain(const std::vector<std::string>& arguments, std::ostream& console,
                 const RunOptions& options = {});

}  // namespace zav
