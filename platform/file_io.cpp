#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/write_loop.h"

namespace zav {
namespace {

// One read() moves at most about 2 GiB on Linux, as one write() does.
constexpr std::size_t kMaxReadChunkBytes = kMaxWriteChunkBytes;

template <typename Buffer>
int ReadAllInto(int fd, Buffer& into) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return errno;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  // Sized once from the file, so that reading takes no read() beyond the last byte:
  // a file that grows meanwhile is read up to its size at opening, as a whole-file read
  // on Windows is; one that shrinks is cut short, which is an error.
  const auto size = static_cast<std::size_t>(info.st_size);
  into.resize(size);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, into.data() + done, std::min(size - done, kMaxReadChunkBytes));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return EIO;
    done += static_cast<std::size_t>(got);
  }
  return 0;
}

template <typename Buffer>
int ReadWholeFileInto(const std::string& pathText, Buffer& into) {
  UniqueFd fd;
  if (const int error = TryOpenForReading(pathText, fd); error != 0) return error;
  return ReadAllInto(fd.get(), into);
}

int AccessFlags(FileAccess access) {
  switch (access) {
    case FileAccess::Read: return O_RDONLY;
    case FileAccess::Write: return O_WRONLY;
    case FileAccess::ReadWrite: return O_RDWR;
  }
  return O_WRONLY;
}

int DispositionFlags(Disposition disposition) {
  switch (disposition) {
    case Disposition::CreateAlways: return O_CREAT | O_TRUNC;
    case Disposition::CreateNew: return O_CREAT | O_EXCL;
    case Disposition::OpenAlways: return O_CREAT;
    case Disposition::TruncateExisting: return O_TRUNC;
    case Disposition::Unnamed: return O_TMPFILE;
  }
  return O_CREAT | O_TRUNC;
}

}  // namespace

int TryOpenForReading(const std::string& pathText, UniqueFd& fd) {
  fd = UniqueFd(::open(pathText.c_str(), O_RDONLY | O_CLOEXEC));
  return fd ? 0 : errno;
}

int TryReadAll(int fd, std::vector<std::uint8_t>& into) { return ReadAllInto(fd, into); }
int TryReadAll(int fd, std::string& into) { return ReadAllInto(fd, into); }

int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into) {
  return ReadWholeFileInto(pathText, into);
}
int TryReadWholeFile(const std::string& pathText, std::string& into) {
  return ReadWholeFileInto(pathText, into);
}

int TryCreateFile(const std::string& pathText, const CreateOptions& options, UniqueFd& fd) {
  int flags = O_CLOEXEC | AccessFlags(options.access) | DispositionFlags(options.disposition);
  if (!options.followLinks) flags |= O_NOFOLLOW;
  fd = UniqueFd(::open(pathText.c_str(), flags, options.mode));
  return fd ? 0 : errno;
}

int TryWriteAll(int fd, std::span<const std::uint8_t> bytes) {
  return WriteEvery(bytes, [fd](const std::uint8_t* data, std::size_t size, std::uint64_t) {
    return ::write(fd, data, size);
  });
}

int TryWriteAll(int fd, std::string_view bytes) {
  return TryWriteAll(fd, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

int TryWriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  return WriteEvery(bytes, [fd, offset](const std::uint8_t* data, std::size_t size, std::uint64_t done) {
    return ::pwrite(fd, data, size, static_cast<off_t>(offset + done));
  });
}

int TrySyncFile(int fd) { return ::fsync(fd) == 0 ? 0 : errno; }

int TrySyncFolder(const std::string& folderText) {
  UniqueFd folder(::open(folderText.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder) return errno;
  if (const int error = TrySyncFile(folder.get()); error != 0) return error;
  return folder.Close();
}

int TryRenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace zav
