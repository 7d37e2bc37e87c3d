// A library opened for a command that needs it whole (list aside): its problems and
// warnings are told on the error stream, and one with problems goes no further.
#pragma once

#include <exception>
#include <ostream>
#include <string>

#include "inspect/command_line.h"
#include "reader/library_reader.h"

namespace zav::inspect {

// Thrown once the problems have been told; the exit status is 1.
struct AlreadyReported : std::exception {
  const char* what() const noexcept override { return "problems reported"; }
};

reader::ReadOptions ReadOptionsOf(const Command& command);

// Throws AlreadyReported when the library has problems.
reader::Library OpenSoundLibrary(const std::string& path, const Command& command, std::ostream& err);

// Where a block's problem is told: the symbol that names it, or its offset.
std::string BlockWhere(const reader::Library& library, std::size_t block);

}  // namespace zav::inspect
