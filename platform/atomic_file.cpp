#include "platform/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/pending_file.h"

namespace zav {
namespace {

namespace fs = std::filesystem;

// Follows a chain of links to the file that is really to be replaced, so that a
// settings file kept as a link into a dotfiles folder stays a link. A dangling link
// gives its target, which the rename then creates.
fs::path ResolveLinks(fs::path path) {
  constexpr int kMaxLinks = 40;  // the kernel's own limit (ELOOP)
  for (int i = 0; i < kMaxLinks; ++i) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) return path;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

// The replacement takes over the old file's permissions and, where we may, its owner
// (root editing a user's file must not hand it to root).
int TakeOver(int fd, const struct stat& old) {
  if (::fchmod(fd, old.st_mode & 07777) != 0) return errno;
  if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
      ::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM) {
    return errno;
  }
  return 0;
}

// Windows-service style for the callers: the step's errno goes into errno.
bool Fails(int error) {
  if (error == 0) return false;
  errno = error;
  return true;
}

}  // namespace

bool ReplaceFileContents(const std::string& pathText, std::string_view bytes) {
  const fs::path target = ResolveLinks(fs::path(pathText));
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return false;
  if (exists) {
    if (S_ISDIR(old.st_mode)) {
      errno = EISDIR;
      return false;
    }
    if (::access(target.c_str(), W_OK) != 0) return false;
  }
  // The temporary name carries the file's own, so that one left by a crash says whose
  // it was. Mode 0666 lets the umask decide, as for any newly created file.
  PendingFile pending;
  if (Fails(pending.CreateBeside(target.string(), target.filename().string()))) return false;
  if (Fails(TryWriteAll(pending.fd(), bytes))) return false;
  if (exists && Fails(TakeOver(pending.fd(), old))) return false;
  return !Fails(pending.Commit());
}

bool SyncFileToDisk(const std::string& pathText) {
  const fs::path target = ResolveLinks(fs::path(pathText));
  UniqueFd file;
  if (Fails(TryOpenForReading(target.string(), file)) || Fails(TrySyncFile(file.get())) ||
      Fails(file.Close())) {
    return false;
  }
  const fs::path folder = target.parent_path();
  return !Fails(TrySyncFolder(folder.empty() ? "." : folder.string()));
}

}  // namespace zav
