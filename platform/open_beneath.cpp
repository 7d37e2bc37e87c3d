#include "platform/open_beneath.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/fault_seam.h"
#include "platform/sys_error.h"

namespace zav {
namespace {

bool IsLinkAt(int folderFd, const char* name) {
  struct stat info;
  return ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

// The parts of a relative path, "" and "." left out.
std::vector<std::string> PartsOf(const std::string& relative) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t slash = relative.find('/', start);
    if (slash == std::string::npos) slash = relative.size();
    std::string part = relative.substr(start, slash - start);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = slash + 1;
  }
  return parts;
}

// glibc 2.36 has no wrapper for openat2.
int OpenAt2(int folderFd, const std::string& relative, int flags, mode_t mode) {
  open_how how{};
  how.flags = static_cast<std::uint64_t>(flags);
  // openat2 refuses a mode where nothing is created.
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) how.mode = mode;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS;
  return static_cast<int>(::syscall(SYS_openat2, folderFd, relative.c_str(), &how, sizeof how));
}

}  // namespace

std::optional<std::string> RelativeBelow(std::string_view folderText, std::string_view pathText) {
  if (folderText.empty() || !pathText.starts_with(folderText)) return std::nullopt;
  std::string_view rest = pathText.substr(folderText.size());
  if (!rest.empty() && rest.front() != '/' && folderText.back() != '/') return std::nullopt;
  while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  std::string relative(rest.empty() ? "." : rest);
  for (const std::string& part : PartsOf(relative)) {
    if (part == "..") return std::nullopt;
  }
  return relative;
}

int TryOpenBeneath(int folderFd, const std::string& relative, int flags, mode_t mode, UniqueFd& fd) {
  fd = UniqueFd();
  if (const int fault = InjectedFault(IoCall::Open); fault != 0) return fault;
  fd = UniqueFd(OpenAt2(folderFd, relative, flags | O_NOFOLLOW, mode));
  if (fd) return 0;
  switch (const int error = errno) {
    case ENOSYS:  // a kernel before 5.6
    case EPERM:   // a sandbox that filters calls it does not know; a real EPERM recurs below
      return TryOpenBeneathByWalk(folderFd, relative, flags, mode, fd);
    case ELOOP:
      return IsLinkAt(folderFd, relative.c_str()) ? kIsSymbolicLink : kThroughSymbolicLink;
    case ENOTDIR:  // O_DIRECTORY meeting a link at the name, which O_NOFOLLOW keeps as it is
      return IsLinkAt(folderFd, relative.c_str()) ? kIsSymbolicLink : error;
    case EXDEV:
      return kOutsideFolder;
    default:
      return error;
  }
}

int TryOpenBeneathByWalk(int folderFd, const std::string& relative, int flags, mode_t mode, UniqueFd& fd) {
  fd = UniqueFd();
  const std::vector<std::string> parts = PartsOf(relative);
  UniqueFd held;
  int current = folderFd;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    const char* part = parts[i].c_str();
    if (parts[i] == "..") return kOutsideFolder;
    UniqueFd next(::openat(current, part, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next) {
      const int error = errno;
      return (error == ENOTDIR || error == ELOOP) && IsLinkAt(current, part) ? kThroughSymbolicLink : error;
    }
    held = std::move(next);
    current = held.get();
  }
  const std::string last = parts.empty() ? "." : parts.back();
  if (last == "..") return kOutsideFolder;
  fd = UniqueFd(::openat(current, last.c_str(), flags | O_NOFOLLOW, mode));
  if (fd) return 0;
  const int error = errno;
  return (error == ELOOP || error == ENOTDIR) && IsLinkAt(current, last.c_str()) ? kIsSymbolicLink : error;
}

}  // namespace zav
