// The compiler's arguments. On Linux they arrive split; the Windows splitting rules are
// kept as a pure function for the Windows build, and both drop empty arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zav {

// Arguments of a whole Windows command line, the program's own path (its first item)
// left out. Characters 1..32 separate; a double quote opens a stretch up to the next one
// (or the end) in which they do not; quotes are dropped; no escapes; at the start of an
// argument, pairs of double quotes are skipped like blanks. A NUL ends the line.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// argv without the program and without empty arguments, which a Windows command line
// cannot pass: `zavbuild "" a b` has two arguments.
std::vector<std::string> ArgumentsFrom(int argc, const char* const* argv);

}  // namespace zav
