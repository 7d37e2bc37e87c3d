#include "frontend/build_snapshot.h"

#include <sys/stat.h>

#include <optional>
#include <string_view>

#include "frontend/file_cleanup.h"
#include "platform/dir_listing.h"
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "platform/pending_file.h"

namespace orlindo {
namespace {

constexpr std::string_view kDescriptorMask = "*.svg.inf";
constexpr std::string_view kSideFileMask = "*.svgz";
constexpr std::string_view kCopyrightName = "copyright.txt";
constexpr std::string_view kIndexName = "LIBSVG.txt";
constexpr std::string_view kIndexSideName = "LIBSVG.txtz";

std::optional<std::string> ReadWhole(const std::string& path) {
  std::string bytes;
  if (zav::TryReadWholeFile(path, bytes) != 0) return std::nullopt;
  return bytes;
}

mode_t ModeOf(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0644;
}

}  // namespace

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
  // user's file damaged; like a failed deletion, a failed restore goes unreported. The
  // bytes may be private: nobody else may read them before the mode is set.
  zav::PendingFile restored;
  if (restored.CreateBeside(path, "orlindo-restore", {.mode = 0600}) != 0) return;
  if (zav::TryWriteAll(restored.fd(), *file.bytes) != 0 || ::fchmod(restored.fd(), file.mode) != 0) return;
  // On failure the destructor removes the temporary file, and the user's file stays.
  static_cast<void>(restored.Commit());
}

void BuildSnapshot::CleanUp() const {
  std::set<std::string> oldDescriptors;
  for (const KeptFile& file : descriptors_) oldDescriptors.insert(file.name);
  DeleteFiles(svgFolder_, std::string(kDescriptorMask), oldDescriptors);
  for (const KeptFile& file : descriptors_) PutBack(svgFolder_, file);

  if (copyright_.empty()) {
    DeleteFileUnlessReadOnly(zav::JoinPathText(svgFolder_, std::string(kCopyrightName)));
  } else {
    PutBack(svgFolder_, copyright_.front());
  }

  DeleteFiles(outFolder_, std::string(kSideFileMask), sideFiles_);
  DeleteFileUnlessReadOnly(zav::JoinPathText(outFolder_, std::string(kIndexName)));
  DeleteFileUnlessReadOnly(zav::JoinPathText(outFolder_, std::string(kIndexSideName)));
}

}  // namespace orlindo
