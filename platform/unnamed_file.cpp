#include "platform/unnamed_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fault_seam.h"
#include "platform/file_io.h"

namespace zav {

int UnnamedFile::Create(const std::string& folderText) {
  fd_ = UniqueFd();
  if (folderText.empty()) return ENOENT;
  return TryCreateFile(folderText, {.disposition = Disposition::Unnamed}, fd_);
}

int UnnamedFile::Write(std::span<const std::uint8_t> bytes) {
  if (!fd_) return EBADF;
  return TryWriteAll(fd_.get(), bytes);
}

int UnnamedFile::Create(const std::string& folderText, std::span<const std::uint8_t> bytes) {
  if (const int error = Create(folderText); error != 0) return error;
  if (const int error = Write(bytes); error != 0) {
    fd_ = UniqueFd();
    return error;
  }
  return 0;
}

int UnnamedFile::NameAndClose(const std::string& pathText) {
  if (!fd_) return EBADF;
  // AT_EMPTY_PATH needs a capability that an ordinary user lacks; the descriptor's
  // entry under /proc serves everyone.
  if (const int fault = InjectedFault(IoCall::Rename); fault != 0) return fault;  // naming it
  int result = ::linkat(fd_.get(), "", AT_FDCWD, pathText.c_str(), AT_EMPTY_PATH);
  if (result != 0 && (errno == ENOENT || errno == EPERM)) {
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_.get());
    result = ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, pathText.c_str(), AT_SYMLINK_FOLLOW);
  }
  if (result != 0) return errno;
  // A late write error counts as the write's: the name goes again, as for a file
  // written the plain way.
  if (const int error = fd_.Close(); error != 0) {
    static_cast<void>(TryRemoveFile(pathText));
    return error;
  }
  return 0;
}

}  // namespace zav
