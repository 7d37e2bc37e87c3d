#include "frontend/file_cleanup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/dir_listing.h"
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

bool MatchesFrom(std::u16string_view name, std::u16string_view mask) {
  // Greedy match with one backtrack point: the last "*" seen.
  std::size_t n = 0, m = 0;
  std::size_t starMask = std::u16string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      starMask = m++;
      starName = n;
    } else if (starMask != std::u16string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
  return MatchesFrom(zav::Utf8ToUtf16(zav::UpperCaseText(name)),
                     zav::Utf8ToUtf16(zav::UpperCaseText(mask)));
}

void ListFiles(std::vector<std::string>& list, const std::string& folder, const std::string& mask) {
  list.clear();
  std::vector<zav::DirEntry> entries;
  if (zav::ListFolder(folder, entries) != zav::ListResult::Listed) return;
  for (zav::DirEntry& entry : entries) {
    if (!entry.isFolder && MatchesMask(entry.name, mask)) list.push_back(std::move(entry.name));
  }
}

bool IsNothingThere(int error) {
  return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG || error == zav::kThroughSymbolicLink ||
         error == zav::kOutsideFolder;
}

int DeleteFileUnlessReadOnly(int folderFd, const std::string& name) {
  // Looked at through a link, as the directory search sees it; the name itself goes.
  // The read-only attribute of Windows, which makes a deletion fail, is a file without
  // any write bit here; unlink() itself would not care.
  struct stat info;
  if (::fstatat(folderFd, name.c_str(), &info, 0) != 0 || S_ISDIR(info.st_mode) ||
      (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
    return 0;
  }
  const int error = zav::TryRemoveFileIn(folderFd, name);
  return error == ENOENT ? 0 : error;
}

const EntriesBeneath::Opened& EntriesBeneath::FolderOf(const std::string& relative, std::string& name) {
  const std::size_t slash = relative.rfind('/');
  const std::string below = slash == std::string::npos ? std::string() : relative.substr(0, slash);
  name = relative.substr(slash + 1);
  auto [at, isNew] = opened_.try_emplace(below);
  if (isNew) {
    std::string ignored;
    at->second.error = zav::TryOpenFolderOf(zav::JoinPathText(folder_, relative), folder_, at->second.fd, ignored);
  }
  return at->second;
}

int EntriesBeneath::Look(const std::string& relative, struct stat& info) {
  std::string name;
  const Opened& folder = FolderOf(relative, name);
  if (folder.error != 0) return folder.error;
  return ::fstatat(folder.fd.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

int EntriesBeneath::RemoveFile(const std::string& relative) {
  std::string name;
  const Opened& folder = FolderOf(relative, name);
  // Nothing there, or beyond a link: nothing of the build's to remove.
  if (folder.error != 0) return IsNothingThere(folder.error) ? 0 : folder.error;
  struct stat info;
  if (::fstatat(folder.fd.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return IsNothingThere(errno) ? 0 : errno;
  }
  if (!S_ISREG(info.st_mode)) return 0;
  const int error = zav::TryRemoveFileIn(folder.fd.get(), name);
  return error == ENOENT ? 0 : error;
}

std::vector<std::pair<std::string, int>> DeleteFiles(const std::string& folder, std::span<const std::string_view> masks,
                                                     const std::set<std::string>& spare) {
  std::vector<std::pair<std::string, int>> failed;
  std::vector<zav::DirEntry> entries;
  // A folder that cannot be listed has nothing to delete that anyone could find.
  if (zav::ListFolder(folder, entries) != zav::ListResult::Listed) return failed;
  zav::UniqueFd folderFd;
  const int openError = zav::TryOpenFolder(folder, folderFd);
  for (const zav::DirEntry& entry : entries) {
    if (entry.isFolder || spare.contains(entry.name) ||
        std::none_of(masks.begin(), masks.end(), [&](std::string_view mask) { return MatchesMask(entry.name, mask); })) {
      continue;
    }
    if (openError != 0) {  // every file stays: each is told, as a failed deletion
      failed.emplace_back(zav::JoinPathText(folder, entry.name), openError);
      continue;
    }
    if (const int error = DeleteFileUnlessReadOnly(folderFd.get(), entry.name); error != 0) {
      failed.emplace_back(zav::JoinPathText(folder, entry.name), error);
    }
  }
  return failed;
}

}  // namespace orlindo
