#include "frontend/file_cleanup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/dir_listing.h"
#include "platform/handles.h"
#include "platform/path_text.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

constexpr std::string_view kDescriptorMask = "*.svg.inf";
constexpr std::string_view kSideFileMask = "*.svgz";
constexpr std::string_view kCopyrightName = "copyright.txt";
constexpr std::string_view kIndexName = "LIBSVG.txt";
constexpr std::string_view kIndexSideName = "LIBSVG.txtz";

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

// The read-only attribute of Windows, which makes a deletion fail, is a file without
// any write bit here; unlink() itself would not care.
bool IsReadOnly(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void DeleteIfWritable(const std::string& path) {
  if (!zav::IsExistingFile(path) || IsReadOnly(path)) return;
  ::unlink(path.c_str());  // a failed deletion is not reported
}

std::optional<std::string> ReadWhole(const std::string& path) {
  zav::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  std::string bytes;
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    if (got == 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
}

bool WriteWhole(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

mode_t ModeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0644;
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

void DeleteFiles(const std::string& folder, const std::string& mask,
                 const std::set<std::string>& spare) {
  std::vector<std::string> names;
  ListFiles(names, folder, mask);
  for (const std::string& name : names) {
    if (!spare.contains(name)) DeleteIfWritable(zav::JoinPathText(folder, name));
  }
}

void BuildSnapshot::Keep(std::vector<KeptFile>& into, const std::string& relative) const {
  const std::string path = zav::JoinPathText(svgFolder_, relative);
  into.push_back(KeptFile{relative, ReadWhole(path), ModeOf(path)});
}

// The import also rewrites descriptor files in subfolders (an svgname with a folder
// part); those are never deleted, but they get their bytes back too. Links to folders
// are not followed, so a link loop cannot trap the walk.
void BuildSnapshot::KeepDescriptors(const std::string& relativeFolder) {
  auto below = [&](const std::string& name) {
    return relativeFolder.empty() ? name : zav::JoinPathText(relativeFolder, name);
  };
  const std::string folder = relativeFolder.empty() ? svgFolder_ : zav::JoinPathText(svgFolder_, relativeFolder);
  std::vector<zav::DirEntry> entries;
  if (zav::ListFolder(folder, entries) != zav::ListResult::Listed) return;
  for (const zav::DirEntry& entry : entries) {
    struct stat info;
    if (!entry.isFolder) {
      if (MatchesMask(entry.name, kDescriptorMask)) Keep(descriptors_, below(entry.name));
    } else if (::lstat(zav::JoinPathText(folder, entry.name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      KeepDescriptors(below(entry.name));
    }
  }
}

BuildSnapshot BuildSnapshot::Take(const std::string& svgFolder, const std::string& outFolder) {
  BuildSnapshot snapshot;
  snapshot.svgFolder_ = svgFolder;
  snapshot.outFolder_ = outFolder;
  snapshot.KeepDescriptors("");
  if (zav::IsExistingFile(zav::JoinPathText(svgFolder, std::string(kCopyrightName)))) {
    snapshot.Keep(snapshot.copyright_, std::string(kCopyrightName));
  }
  std::vector<std::string> names;
  ListFiles(names, outFolder, std::string(kSideFileMask));
  snapshot.sideFiles_.insert(names.begin(), names.end());
  return snapshot;
}

void BuildSnapshot::PutBack(const std::string& folder, const KeptFile& file) const {
  if (!file.bytes) return;
  const std::string path = zav::JoinPathText(folder, file.name);
  const std::optional<std::string> now = ReadWhole(path);
  if (!now || *now == *file.bytes) return;
  // Written beside it and renamed over it, so that a failure half way cannot leave the
  // user's file damaged; like a failed deletion, a failed restore goes unreported.
  std::string temporary =
      zav::JoinPathText(path.substr(0, path.rfind(zav::kSeparator)), ".orlindo-restore-XXXXXX");
  zav::UniqueFd fd(::mkstemp(temporary.data()));
  if (!fd) return;
  const bool written = WriteWhole(fd.get(), *file.bytes) && ::fchmod(fd.get(), file.mode) == 0 &&
                       fd.Close() == 0;
  if (!written || ::rename(temporary.c_str(), path.c_str()) != 0) ::unlink(temporary.c_str());
}

void BuildSnapshot::CleanUp() const {
  std::set<std::string> oldDescriptors;
  for (const KeptFile& file : descriptors_) oldDescriptors.insert(file.name);
  DeleteFiles(svgFolder_, std::string(kDescriptorMask), oldDescriptors);
  for (const KeptFile& file : descriptors_) PutBack(svgFolder_, file);

  if (copyright_.empty()) {
    DeleteIfWritable(zav::JoinPathText(svgFolder_, std::string(kCopyrightName)));
  } else {
    PutBack(svgFolder_, copyright_.front());
  }

  DeleteFiles(outFolder_, std::string(kSideFileMask), sideFiles_);
  DeleteIfWritable(zav::JoinPathText(outFolder_, std::string(kIndexName)));
  DeleteIfWritable(zav::JoinPathText(outFolder_, std::string(kIndexSideName)));
}

}  // namespace orlindo
