// The walk of the source folder: depth first, every subfolder's subtree before the
// folder's own descriptor files, each in listing order. Every described symbol is
// stored and gets its index line (and alias line); the index is stored last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "library_writer.h"
#include "symbol_store.h"

namespace zav {

struct RunNames {
  std::string libraryName;
  std::string sourceFolder;
  std::string outputFolder;
};

// One scan's shared state, across every folder level.
struct ScanContext {
  const RunNames& names;
  SymbolStore& store;
  std::vector<std::string> index;
  std::int64_t blockOffset = -1;  // of the block appended last
};

void ScanFolder(const std::string& folder, ScanContext& context);

// The whole scan, then "LIBSVG.txt", "LIBSVG.txtz" and the index block; sets the
// library's index offset.
void WriteIndexBlock(const RunNames& names, LibraryWriter& library);

}  // namespace zav
