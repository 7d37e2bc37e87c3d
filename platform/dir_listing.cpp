#include "platform/dir_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace zav {
namespace {

unsigned char UpperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

struct DirCloser {
  void operator()(DIR* dir) const noexcept { closedir(dir); }
};

}  // namespace

bool ListingOrderLess(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const unsigned char x = UpperAscii(static_cast<unsigned char>(a[i]));
    const unsigned char y = UpperAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // std::string compares as unsigned char
}

ListResult ListFolder(const std::string& folderText, std::vector<DirEntry>& entries) {
  entries.clear();
  std::unique_ptr<DIR, DirCloser> dir(opendir(folderText.c_str()));
  if (!dir) {
    return (errno == ENOENT || errno == ENOTDIR) ? ListResult::NotFound : ListResult::Unreadable;
  }
  const int dirFd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    DirEntry item;
    item.name = entry->d_name;
    unsigned char type = entry->d_type;
    if (type == DT_LNK || type == DT_UNKNOWN) {
      struct stat info;
      if (fstatat(dirFd, entry->d_name, &info, 0) == 0) {
        item.isFolder = S_ISDIR(info.st_mode);
        item.isFile = S_ISREG(info.st_mode);
      }
    } else {
      item.isFolder = type == DT_DIR;
      item.isFile = type == DT_REG;
    }
    entries.push_back(std::move(item));
  }
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return ListingOrderLess(a.name, b.name); });
  return ListResult::Listed;
}

bool IsExistingFile(const std::string& pathText) {
  struct stat info;
  return !pathText.empty() && stat(pathText.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool IsExistingFolder(const std::string& pathText) {
  struct stat info;
  return !pathText.empty() && stat(pathText.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsTakenByNonFolder(const std::string& pathText) {
  struct stat info;
  return !pathText.empty() && lstat(pathText.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace zav
