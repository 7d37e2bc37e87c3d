// A file made in a folder without a name (O_TMPFILE), filled, and given its name only
// later, in one step that fails where the name is taken. Until then no one sees it, and
// if its owner goes first it vanishes with its descriptor: the compiler writes side
// files ahead of their symbol's turn this way, so that a stopped run leaves none of a
// later symbol behind. Making the file takes no lock on the folder; naming is cheap.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/handles.h"

namespace zav {

class UnnamedFile {
 public:
  UnnamedFile() = default;

  // An empty file without a name in the folder. 0 or errno (EOPNOTSUPP where the file
  // system has no unnamed files, ENOENT for an empty folder text, which would
  // otherwise mean the current folder); on failure nothing is left anywhere.
  [[nodiscard]] int Create(const std::string& folderText);
  // Its bytes, appended; 0 or errno. A failed write leaves the file unfit to be named.
  [[nodiscard]] int Write(std::span<const std::uint8_t> bytes);
  // Create, then Write; on failure nothing is left anywhere.
  [[nodiscard]] int Create(const std::string& folderText, std::span<const std::uint8_t> bytes);

  explicit operator bool() const { return static_cast<bool>(fd_); }

  // Gives the file the name pathText, which must not exist yet, and closes it. 0 or
  // errno (EEXIST where something has the name); on any failure the file stays
  // unnamed and the name is left as it was.
  [[nodiscard]] int NameAndClose(const std::string& pathText);

 private:
  UniqueFd fd_;
};

}  // namespace zav
