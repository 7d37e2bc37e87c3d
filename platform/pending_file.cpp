#include "platform/pending_file.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

#include "platform/path_text.h"

namespace zav {
namespace {

// Names taken by another process (or left by one that died) are passed over.
constexpr unsigned kNameAttempts = 100;

}  // namespace

PendingFile::PendingFile(PendingFile&& other) noexcept
    : fd_(std::move(other.fd_)),
      writtenPath_(std::move(other.writtenPath_)),
      finalPath_(std::move(other.finalPath_)),
      pending_(std::exchange(other.pending_, false)) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    PendingFile old(std::move(*this));  // the file this one held goes now
    fd_ = std::move(other.fd_);
    writtenPath_ = std::move(other.writtenPath_);
    finalPath_ = std::move(other.finalPath_);
    pending_ = std::exchange(other.pending_, false);
  }
  return *this;
}

PendingFile::~PendingFile() {
  if (!pending_) return;
  const int savedErrno = errno;
  fd_ = UniqueFd();
  ::unlink(writtenPath_.c_str());  // nothing to report from here: the caller failed already
  errno = savedErrno;
}

int PendingFile::CreateBeside(const std::string& finalPath, std::string_view tag,
                              const CreateOptions& options) {
  static std::atomic<unsigned> serial{0};
  *this = PendingFile();
  const std::string folder = FolderOfPath(finalPath);
  CreateOptions fresh = options;
  fresh.disposition = Disposition::CreateNew;
  int error = EEXIST;
  for (unsigned attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a chain of operator+.
    std::string name = ".";
    name.append(tag).append("-").append(std::to_string(::getpid())).append("-");
    name.append(std::to_string(serial++)).append(".tmp");
    std::string temporary = JoinPathText(folder, name);
    error = TryCreateFile(temporary, fresh, fd_);
    if (error == 0) {
      writtenPath_ = std::move(temporary);
      finalPath_ = finalPath;
      pending_ = true;
    }
  }
  return error;
}

int PendingFile::CreateInPlace(const std::string& finalPath, const CreateOptions& options) {
  *this = PendingFile();
  const int error = TryCreateFile(finalPath, options, fd_);
  if (error == 0) {
    writtenPath_ = finalPath;
    finalPath_ = finalPath;
    pending_ = true;
  }
  return error;
}

int PendingFile::Sync() { return TrySyncFile(fd_.get()); }

int PendingFile::Close() { return fd_.Close(); }

int PendingFile::Commit() {
  if (const int error = fd_.Close(); error != 0) return error;
  if (writtenPath_ != finalPath_) {
    if (const int error = TryRenameFile(writtenPath_, finalPath_); error != 0) return error;
  }
  pending_ = false;
  return 0;
}

}  // namespace zav
