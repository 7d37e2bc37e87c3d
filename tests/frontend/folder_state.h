// Everything a folder holds, byte for byte: each entry below it (links not followed) with
// its kind, mode and bytes or link target, for tests that a build leaves the user's
// folders exactly as it found them.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace zavtest {

using FolderState = std::map<std::string, std::string>;

inline FolderState StateOf(const std::string& folder) {
  FolderState state;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    struct stat info;
    const std::string path = it->path().string();
    if (::lstat(path.c_str(), &info) != 0) continue;
    std::string& entry = state[it->path().lexically_relative(folder).string()];
    entry = std::to_string(info.st_mode & 07777) + " ";
    if (S_ISREG(info.st_mode)) {
      std::ifstream in(path, std::ios::binary);
      entry += "file " + std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } else if (S_ISLNK(info.st_mode)) {
      entry += "link " + std::filesystem::read_symlink(path, ec).string();
    } else if (S_ISDIR(info.st_mode)) {
      entry += "folder";
    } else {
      entry += "other";
    }
  }
  return state;
}

}  // namespace zavtest
