// The walk of the source folder: depth first, every subfolder's subtree before the
// folder's own descriptor files, each in listing order. Every described symbol is
// stored and gets its index line (and alias line); the index is stored last.
#pragma once

#include <cstdint>
#include <string>

namespace zav {

class LibraryWriter;
class ProgressChannel;

struct RunNames {
  std::string libraryName;
  std::string sourceFolder;
  std::string outputFolder;
};

// The whole scan, then "LIBSVG.txt", "LIBSVG.txtz" and the index block; sets the
// library's index offset. `workers` threads read and compress symbols while the scan
// goes on, and this thread with them between its writes (none: all on this thread, in
// turn); the output is the same for any number. Each stored symbol is told to
// `progress`, when given.
void WriteIndexBlock(const RunNames& names, LibraryWriter& library, unsigned workers = 0,
                     ProgressChannel* progress = nullptr);

// The descriptor files the scan of the folder will find, for a progress total: a walk
// of its own that only lists folders, counting none where one cannot be listed. Never
// throws; the scan itself tells every failure.
std::uint64_t CountDescriptorFiles(const std::string& sourceFolder);

}  // namespace zav
