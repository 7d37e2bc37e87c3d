#include "compiler/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/dir_listing.h"
#include "platform/failure.h"
#include "compiler/file_io.h"
#include "platform/path_text.h"
#include "platform/sys_error.h"

namespace zav {
namespace {

std::string FolderOf(const std::string& pathText) {
  const std::size_t slash = pathText.rfind(kSeparator);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return pathText.substr(0, slash);
}

}  // namespace

PendingFile::PendingFile(UniqueFd fd, std::string writtenPath, std::string finalPath)
    : fd_(std::move(fd)), writtenPath_(std::move(writtenPath)), finalPath_(std::move(finalPath)) {}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : fd_(std::move(other.fd_)),
      writtenPath_(std::move(other.writtenPath_)),
      finalPath_(std::move(other.finalPath_)),
      done_(std::exchange(other.done_, true)) {}

PendingFile PendingFile::Beside(const std::string& finalPath) {
  // A folder in the way fails now, as creating the file would, not at the rename.
  if (IsExistingFolder(finalPath)) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(finalPath, EISDIR));
  }
  const std::string folder = FolderOf(finalPath);
  // The mode goes through the umask like any new file's, unlike mkstemp's 0600.
  for (unsigned attempt = 0;; ++attempt) {
    const std::string temporary = JoinPathText(
        folder, ".zavbuild-" + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp");
    UniqueFd fd(::open(temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd) return PendingFile(std::move(fd), temporary, finalPath);
    if (errno != EEXIST || attempt >= 100) {
      throw Failure(ErrorKind::FileCreate, CannotCreateMessage(finalPath, errno));
    }
  }
}

PendingFile PendingFile::InPlace(const std::string& finalPath) {
  UniqueFd fd = CreateForWriting(finalPath);
  return PendingFile(std::move(fd), finalPath, finalPath);
}

std::optional<PendingFile> PendingFile::TryCreateNew(const std::string& finalPath, int& error) {
  UniqueFd fd(::open(finalPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  error = fd ? 0 : errno;
  if (!fd) return std::nullopt;
  return PendingFile(std::move(fd), finalPath, finalPath);
}

PendingFile::~PendingFile() {
  if (done_) return;
  fd_ = UniqueFd();
  ::unlink(writtenPath_.c_str());  // nothing to report from here: the run failed already
}

void PendingFile::Commit(bool syncToDisk) {
  if (syncToDisk && ::fsync(fd_.get()) != 0) {
    throw Failure(ErrorKind::Write, std::string(kWriteMessage));
  }
  CloseWritten(fd_);
  if (writtenPath_ != finalPath_ && ::rename(writtenPath_.c_str(), finalPath_.c_str()) != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(finalPath_, errno));
  }
  done_ = true;
}

}  // namespace zav
