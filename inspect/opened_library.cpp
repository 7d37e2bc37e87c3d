#include "inspect/opened_library.h"

#include "inspect/console_text.h"

namespace zav::inspect {

reader::ReadOptions ReadOptionsOf(const Command& command) {
  reader::ReadOptions options;
  if (command.maxContentBytes != 0) options.maxContentBytes = command.maxContentBytes;
  return options;
}

reader::Library OpenSoundLibrary(const std::string& path, const Command& command, std::ostream& err) {
  reader::Library library = reader::ReadLibrary(path, ReadOptionsOf(command));
  PrintProblems(err, path, library.problems);
  if (!library.Sound()) throw AlreadyReported();
  return library;
}

std::string BlockWhere(const reader::Library& library, std::size_t block) {
  const std::string at = "block at " + std::to_string(library.blocks[block].offset);
  for (const reader::IndexSymbol& symbol : library.symbols) {
    if (symbol.block == block) return "symbol \"" + symbol.name + "\" (" + at + ")";
  }
  return at;
}

}  // namespace zav::inspect
