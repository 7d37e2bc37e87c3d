// The walk of the source folder: depth first, every subfolder's subtree before the
// folder's own descriptor files, each in listing order. Every described symbol is
// stored and gets its index line (and alias line); the index is stored last.
#pragma once

#include <string>

namespace zav {

class LibraryWriter;

struct RunNames {
  std::string libraryName;
  std::string sourceFolder;
  std::string outputFolder;
};

// The whole scan, then "LIBSVG.txt", "LIBSVG.txtz" and the index block; sets the
// library's index offset. `workers` threads read and compress symbols while the scan
// goes on, and this thread with them between its writes (none: all on this thread, in
// turn); the output is the same for any number.
void WriteIndexBlock(const RunNames& names, LibraryWriter& library, unsigned workers = 0);

}  // namespace zav
