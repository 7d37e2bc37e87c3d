// A side file written ahead of its symbol's turn: made in the output folder without a
// name (O_TMPFILE), filled by a worker, and given its name only in the symbol's turn.
// Until then no one sees it, and if the run stops first it vanishes with its
// descriptor, so no side file of a later symbol is ever left behind. Making the inode
// takes no lock on the folder, so workers make them side by side; naming is cheap.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/handles.h"

namespace zav {

class UnnamedFile {
 public:
  // The file with `bytes` in it, or nullopt wherever that cannot be had (a file system
  // without unnamed files, a missing folder, a full disk): the caller then makes the
  // side file the plain way, which words any failure.
  static std::optional<UnnamedFile> TryWrite(const std::string& folderText,
                                             std::span<const std::uint8_t> bytes);

  // Gives the file the name `pathText`, which must not exist yet, and closes it.
  // Returns 0, or errno (EEXIST where something has the name); on any failure the file
  // stays unnamed and the name is left as it was.
  int TryNameAndClose(const std::string& pathText);

 private:
  explicit UnnamedFile(UniqueFd fd) : fd_(std::move(fd)) {}

  UniqueFd fd_;
};

}  // namespace zav
