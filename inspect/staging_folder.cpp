#include "inspect/staging_folder.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "platform/sys_error.h"

namespace zav::inspect {
namespace {

constexpr std::string_view kStagingPrefix = ".zavinspect-";  // then six random characters
// Every file is new in a folder no one else writes to.
constexpr CreateOptions kNewFile{.disposition = Disposition::CreateNew, .followLinks = false};

[[noreturn]] void ThrowCreate(const std::string& pathText, int error) {
  throw Failure(ErrorKind::FileCreate, CannotCreateMessage(pathText, error));
}

UniqueFd OpenFolder(const std::string& pathText) {
  UniqueFd fd(::open(pathText.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd) ThrowCreate(pathText, errno);
  return fd;
}

// renameat2 with RENAME_NOREPLACE, or a link and an unlink where the file system has
// no such rename: either way an existing name is never replaced.
int MoveNoReplace(int fromFd, const std::string& from, int toFd, const std::string& to) {
  if (::renameat2(fromFd, from.c_str(), toFd, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::linkat(fromFd, from.c_str(), toFd, to.c_str(), 0) != 0) return errno;
  ::unlinkat(fromFd, from.c_str(), 0);
  return 0;
}

}  // namespace

StagingFolder::StagingFolder(const std::string& dirText) : dirText_(dirText) {
  std::string trimmed = dirText;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  struct stat info;
  if (::stat(trimmed.c_str(), &info) == 0) {
    if (!S_ISDIR(info.st_mode)) ThrowCreate(dirText, ENOTDIR);
    dirExisted_ = true;
  } else if (errno != ENOENT) {
    ThrowCreate(dirText, errno);
  }
  std::string holder;
  std::string pattern;
  if (dirExisted_) {
    holder = trimmed;
    pattern = std::string(kStagingPrefix) + "XXXXXX";
  } else {
    const std::size_t slash = trimmed.rfind('/');
    holder = slash == std::string::npos ? "." : (slash == 0 ? "/" : trimmed.substr(0, slash));
    const std::string base = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    pattern = "." + base + std::string(kStagingPrefix) + "XXXXXX";
  }
  parentFd_ = OpenFolder(holder);
  std::string staging = JoinPathText(holder, pattern);
  if (::mkdtemp(staging.data()) == nullptr) ThrowCreate(dirText, errno);
  stagingName_ = staging.substr(staging.size() - pattern.size());
  stagingPath_ = staging;
  stagingFd_ = UniqueFd(::openat(parentFd_.get(), stagingName_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!stagingFd_) {
    const int error = errno;
    ::unlinkat(parentFd_.get(), stagingName_.c_str(), AT_REMOVEDIR);
    stagingName_.clear();
    ThrowCreate(dirText, error);
  }
  if (dirExisted_) dirFd_ = OpenFolder(trimmed);
}

StagingFolder::~StagingFolder() {
  if (!committed_) {
    for (const std::string& name : moved_) ::unlinkat(dirFd_.get(), name.c_str(), 0);
  }
  if (stagingName_.empty()) return;
  for (const std::string& name : names_) ::unlinkat(stagingFd_.get(), name.c_str(), 0);
  ::unlinkat(parentFd_.get(), stagingName_.c_str(), AT_REMOVEDIR);
}

UniqueFd StagingFolder::Create(const std::string& name) {
  UniqueFd fd;
  if (const int error = TryCreateFile(JoinPathText(stagingPath_, name), kNewFile, fd); error != 0) {
    ThrowCreate(JoinPathText(dirText_, name), error);
  }
  names_.push_back(name);
  return fd;
}

bool StagingFolder::ExistsInTarget(const std::string& name) const {
  if (!dirExisted_) return false;
  struct stat info;
  return ::fstatat(dirFd_.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

void StagingFolder::Commit() {
  if (dirExisted_) {
    MoveFilesIn();
  } else {
    // mkdtemp made the folder for its owner alone; the folder the user asked for gets
    // the mode any new folder of theirs gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(stagingFd_.get(), 0777 & ~mask) != 0) ThrowCreate(dirText_, errno);
    std::string trimmed = dirText_;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const std::size_t slash = trimmed.rfind('/');
    const std::string base = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
    if (::renameat2(parentFd_.get(), stagingName_.c_str(), parentFd_.get(), base.c_str(), RENAME_NOREPLACE) != 0) {
      ThrowCreate(dirText_, errno);
    }
    stagingName_.clear();
  }
  committed_ = true;
}

void StagingFolder::MoveFilesIn() {
  for (const std::string& name : names_) {
    if (const int error = MoveNoReplace(stagingFd_.get(), name, dirFd_.get(), name); error != 0) {
      ThrowCreate(JoinPathText(dirText_, name), error);
    }
    moved_.push_back(name);
  }
  names_.clear();
}

}  // namespace zav::inspect
