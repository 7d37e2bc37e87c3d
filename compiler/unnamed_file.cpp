#include "compiler/unnamed_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "compiler/file_io.h"

namespace zav {

std::optional<UnnamedFile> UnnamedFile::TryWrite(const std::string& folderText,
                                                 std::span<const std::uint8_t> bytes) {
  // An empty folder text would mean the current folder here, and nothing else does.
  if (folderText.empty()) return std::nullopt;
  UniqueFd fd(::open(folderText.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (!fd || TryWriteAll(fd.get(), bytes) != 0) return std::nullopt;
  return UnnamedFile(std::move(fd));
}

int UnnamedFile::TryNameAndClose(const std::string& pathText) {
  // AT_EMPTY_PATH needs a capability that an ordinary user lacks; the descriptor's
  // entry under /proc serves everyone.
  int result = ::linkat(fd_.get(), "", AT_FDCWD, pathText.c_str(), AT_EMPTY_PATH);
  if (result != 0 && (errno == ENOENT || errno == EPERM)) {
    const std::string procPath = "/proc/self/fd/" + std::to_string(fd_.get());
    result = ::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, pathText.c_str(), AT_SYMLINK_FOLLOW);
  }
  if (result != 0) return errno;
  // A late write error counts as the write's: the name goes again, as for a side file
  // written the plain way.
  if (const int error = fd_.Close(); error != 0) {
    ::unlink(pathText.c_str());
    return error;
  }
  return 0;
}

}  // namespace zav
