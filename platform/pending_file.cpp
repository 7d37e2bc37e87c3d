#include "platform/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "platform/path_text.h"

namespace zav {
namespace {

// Names taken by another process (or left by one that died) are passed over.
constexpr unsigned kNameAttempts = 100;

// What stands at the final name, where the file is to go: nothing or a file.
int CheckFinalName(int folderFd, const std::string& name, bool replaceLinks) {
  struct stat info;
  if (::fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return 0;
  if (S_ISLNK(info.st_mode)) {
    if (replaceLinks) return 0;
    return kIsSymbolicLink;
  }
  return S_ISDIR(info.st_mode) ? EISDIR : 0;
}

}  // namespace

PendingFile::PendingFile(PendingFile&& other) noexcept
    : folder_(std::move(other.folder_)),
      fd_(std::move(other.fd_)),
      writtenPath_(std::move(other.writtenPath_)),
      writtenName_(std::move(other.writtenName_)),
      finalPath_(std::move(other.finalPath_)),
      finalName_(std::move(other.finalName_)),
      replaceLinks_(other.replaceLinks_),
      pending_(std::exchange(other.pending_, false)) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    PendingFile old(std::move(*this));  // the file this one held goes now
    folder_ = std::move(other.folder_);
    fd_ = std::move(other.fd_);
    writtenPath_ = std::move(other.writtenPath_);
    writtenName_ = std::move(other.writtenName_);
    finalPath_ = std::move(other.finalPath_);
    finalName_ = std::move(other.finalName_);
    replaceLinks_ = other.replaceLinks_;
    pending_ = std::exchange(other.pending_, false);
  }
  return *this;
}

PendingFile::~PendingFile() {
  if (!pending_) return;
  const int savedErrno = errno;
  fd_ = UniqueFd();
  static_cast<void>(TryRemoveFileIn(folder_.get(), writtenName_));  // the caller reports its own failure
  errno = savedErrno;
}

int PendingFile::CreateBeside(const std::string& finalPath, std::string_view tag,
                              const CreateOptions& options) {
  static std::atomic<unsigned> serial{0};
  *this = PendingFile();
  if (const int error = TryOpenFolderOf(finalPath, options.beneath, folder_, finalName_); error != 0) {
    return error;
  }
  if (const int error = CheckFinalName(folder_.get(), finalName_, options.followLinks); error != 0) {
    return error;
  }
  const std::string folderText = FolderOfPath(finalPath);
  CreateOptions fresh = options;
  fresh.disposition = Disposition::CreateNew;
  int error = EEXIST;
  for (unsigned attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a chain of operator+.
    std::string name = ".";
    name.append(tag).append("-").append(std::to_string(::getpid())).append("-");
    name.append(std::to_string(serial++)).append(".tmp");
    error = TryCreateFileIn(folder_.get(), name, fresh, fd_);
    if (error == 0) {
      writtenPath_ = JoinPathText(folderText, name);
      writtenName_ = std::move(name);
      finalPath_ = finalPath;
      replaceLinks_ = options.followLinks;
      pending_ = true;
    }
  }
  return error;
}

int PendingFile::CreateInPlace(const std::string& finalPath, const CreateOptions& options) {
  *this = PendingFile();
  std::string name;
  if (const int error = TryOpenFolderOf(finalPath, options.beneath, folder_, name); error != 0) return error;
  const int error = TryCreateFileIn(folder_.get(), name, options, fd_);
  if (error == 0) {
    writtenPath_ = finalPath;
    writtenName_ = name;
    finalPath_ = finalPath;
    finalName_ = std::move(name);
    pending_ = true;
  }
  return error;
}

int PendingFile::Sync() { return TrySyncFile(fd_.get()); }

int PendingFile::Close() { return fd_.Close(); }

int PendingFile::Commit() {
  if (const int error = fd_.Close(); error != 0) return error;
  if (writtenName_ != finalName_) {
    if (const int error = CheckFinalName(folder_.get(), finalName_, replaceLinks_); error != 0) return error;
    if (const int error = TryRenameFileIn(folder_.get(), writtenName_, finalName_); error != 0) return error;
  }
  pending_ = false;
  return 0;
}

}  // namespace zav
