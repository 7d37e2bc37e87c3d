#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <utility>

#include "platform/handles.h"

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

// The temporary name: hidden, beside the target (a rename only works within one file
// system), and unique per process and call.
std::string TemporaryName(const fs::path& target, unsigned attempt) {
  static std::atomic<unsigned> counter{0};
  const fs::path folder = target.parent_path();
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on a chain of operator+.
  std::string name = ".";
  name.append(target.filename().string())
      .append(".tmp-")
      .append(std::to_string(::getpid()))
      .append("-")
      .append(std::to_string(counter++))
      .append("-")
      .append(std::to_string(attempt));
  return (folder.empty() ? fs::path(name) : folder / name).string();
}

// Owns the temporary file until it has been renamed into place.
class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile() {
    const int savedErrno = errno;  // the caller reports the failure that brought us here
    fd_.Close();
    if (!committed_ && !path_.empty()) ::unlink(path_.c_str());
    errno = savedErrno;
  }

  // Creates the file under a fresh name; mode 0666 lets the umask decide, as for any
  // newly created file.
  bool Create(const fs::path& target) {
    constexpr unsigned kAttempts = 100;
    for (unsigned attempt = 0; attempt < kAttempts; ++attempt) {
      std::string candidate = TemporaryName(target, attempt);
      const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        fd_ = UniqueFd(fd);
        path_ = std::move(candidate);
        return true;
      }
      if (errno != EEXIST) return false;
    }
    errno = EEXIST;
    return false;
  }

  bool Write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_.get(), bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }

  // The replacement takes over the old file's permissions and, where we may, its owner
  // (root editing a user's file must not hand it to root).
  bool TakeOver(const struct stat& old) {
    if (::fchmod(fd_.get(), old.st_mode & 07777) != 0) return false;
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
        ::fchown(fd_.get(), old.st_uid, old.st_gid) != 0 && errno != EPERM) {
      return false;
    }
    return true;
  }

  bool Commit(const fs::path& target) {
    const int closeError = fd_.Close();
    if (closeError != 0) {
      errno = closeError;
      return false;
    }
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    committed_ = true;
    return true;
  }

 private:
  UniqueFd fd_;
  std::string path_;
  bool committed_ = false;
};

bool SyncPath(const char* path, int flags) {
  UniqueFd fd(::open(path, flags | O_CLOEXEC));
  if (!fd) return false;
  if (::fsync(fd.get()) != 0) return false;
  const int closeError = fd.Close();
  if (closeError != 0) {
    errno = closeError;
    return false;
  }
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
  PendingFile pending;
  if (!pending.Create(target)) return false;
  if (!pending.Write(bytes)) return false;
  if (exists && !pending.TakeOver(old)) return false;
  return pending.Commit(target);
}

bool SyncFileToDisk(const std::string& pathText) {
  const fs::path target = ResolveLinks(fs::path(pathText));
  if (!SyncPath(target.c_str(), O_RDONLY)) return false;
  const fs::path folder = target.parent_path();
  return SyncPath(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
}

}  // namespace zav
