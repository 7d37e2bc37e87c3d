#include "compiler/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/failure.h"
#include "platform/sys_error.h"

namespace zav {
namespace {

// Reads stay below the 2 GiB that one read() moves on Linux.
constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 30;

int OpenReadOnly(const std::string& pathText, UniqueFd& fd) {
  fd = UniqueFd(::open(pathText.c_str(), O_RDONLY | O_CLOEXEC));
  return fd ? 0 : errno;
}

int ReadAllFrom(int fd, std::vector<std::uint8_t>& into) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  // A file that shrinks while read is cut short; one that grows is read up to its
  // size at opening, as the whole-file read it stands in for does.
  const auto size = static_cast<std::size_t>(info.st_size);
  into.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, into.data() + done, std::min(size - done, kMaxChunkBytes));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return EIO;
    done += static_cast<std::size_t>(got);
  }
  return 0;
}

}  // namespace

int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into) {
  UniqueFd fd;
  if (const int error = OpenReadOnly(pathText, fd); error != 0) return error;
  return ReadAllFrom(fd.get(), into);
}

int TryWriteAll(int fd, std::span<const std::uint8_t> bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd, bytes.data(), std::min(bytes.size(), kMaxChunkBytes));
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return ENOSPC;
    bytes = bytes.subspan(static_cast<std::size_t>(put));
  }
  return 0;
}

UniqueFd OpenForReading(const std::string& pathText) {
  UniqueFd fd;
  if (const int error = OpenReadOnly(pathText, fd); error != 0) {
    throw Failure(ErrorKind::FileOpen, CannotOpenMessage(pathText, error));
  }
  return fd;
}

void ReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into) {
  const UniqueFd fd = OpenForReading(pathText);
  if (const int error = ReadAllFrom(fd.get(), into); error == EISDIR) {
    throw Failure(ErrorKind::FileOpen, CannotOpenMessage(pathText, error));
  } else if (error != 0) {
    throw Failure(ErrorKind::Read, std::string(kReadMessage));
  }
}

UniqueFd CreateForWriting(const std::string& pathText) {
  UniqueFd fd(::open(pathText.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!fd) throw Failure(ErrorKind::FileCreate, CannotCreateMessage(pathText, errno));
  return fd;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  if (TryWriteAll(fd, bytes) != 0) throw Failure(ErrorKind::Write, std::string(kWriteMessage));
}

void CloseWritten(UniqueFd& fd) {
  if (fd.Close() != 0) throw Failure(ErrorKind::Write, std::string(kWriteMessage));
}

}  // namespace zav
