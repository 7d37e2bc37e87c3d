#include "reader/library_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/sys_error.h"

namespace zav::reader {
namespace {

constexpr std::size_t kMaxReadBytes = std::size_t{1} << 30;

std::string NotRegularText(mode_t mode) {
  if (S_ISDIR(mode)) return "Is a directory";
  if (S_ISFIFO(mode)) return "Is a FIFO, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "Is a device, not a regular file";
  if (S_ISSOCK(mode)) return "Is a socket, not a regular file";
  return "Not a regular file";
}

}  // namespace

LibraryFile LibraryFile::Open(const std::string& pathText) {
  UniqueFd fd;
  if (const int error = TryOpenForReading(pathText, fd); error != 0) {
    // The file layer refused it without opening it for good; what it is, the user is
    // told in the reader's own words, looked up without opening it again.
    struct stat info;
    if (error == kNotRegularFile && ::stat(pathText.c_str(), &info) == 0) {
      throw Failure(ErrorKind::FileOpen,
                    "Cannot open file \"" + AbsolutePathText(pathText) + "\". " + NotRegularText(info.st_mode));
    }
    throw Failure(ErrorKind::FileOpen, CannotOpenMessage(pathText, error));
  }
  return FromDescriptor(std::move(fd), pathText);
}

LibraryFile LibraryFile::FromDescriptor(UniqueFd fd, const std::string& pathText) {
  struct stat info;
  if (::fstat(fd.get(), &info) != 0) throw Failure(ErrorKind::FileOpen, CannotOpenMessage(pathText, errno));
  if (!S_ISREG(info.st_mode)) {
    throw Failure(ErrorKind::FileOpen,
                  "Cannot open file \"" + AbsolutePathText(pathText) + "\". " + NotRegularText(info.st_mode));
  }
  return LibraryFile(std::move(fd), pathText, static_cast<std::uint64_t>(info.st_size));
}

std::size_t LibraryFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
  std::size_t done = 0;
  while (done < into.size()) {
    const std::size_t want = std::min(into.size() - done, kMaxReadBytes);
    const ssize_t got = ::pread(fd_.get(), into.data() + done, want, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      throw Failure(ErrorKind::Read, "Cannot read \"" + AbsolutePathText(pathText_) + "\". " + SystemErrorText(errno));
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

}  // namespace zav::reader
