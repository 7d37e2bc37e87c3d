#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/fault_seam.h"
#include "platform/open_beneath.h"
#include "platform/path_text.h"
#include "platform/write_loop.h"

namespace zav {
namespace {

// One read() moves at most about 2 GiB on Linux, as one write() does.
constexpr std::size_t kMaxReadChunkBytes = kMaxWriteChunkBytes;

// What may be read or written: a regular file. A folder keeps its own errno, which
// messages have always shown.
int RegularOnly(const struct stat& info) {
  if (S_ISREG(info.st_mode)) return 0;
  return S_ISDIR(info.st_mode) ? EISDIR : kNotRegularFile;
}

// Why an open of an entry that exists failed, where errno alone misleads: ENXIO is a
// socket (or a FIFO without a reader, for writing), ELOOP under O_NOFOLLOW a link.
int ExplainOpenError(int error, int folderFd, const char* name) {
  struct stat info;
  if (error == ENXIO && ::fstatat(folderFd, name, &info, 0) == 0) return RegularOnly(info);
  if (error == ELOOP && ::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode)) {
    return kIsSymbolicLink;
  }
  return error;
}

// Opened with O_NONBLOCK, so that a FIFO or device never holds the program in open();
// only a regular file is kept, and it gets its blocking reads and writes back. The
// fstat is the one the callers need anyway (the size of a whole-file read).
int KeepRegular(UniqueFd& fd, struct stat& info) {
  if (::fstat(fd.get(), &info) != 0) {
    const int error = errno;
    fd = UniqueFd();
    return error;
  }
  if (const int error = RegularOnly(info); error != 0) {
    fd = UniqueFd();
    return error;
  }
  if (::fcntl(fd.get(), F_SETFL, 0) != 0) {  // clears O_NONBLOCK: no other status flag is set
    const int error = errno;
    fd = UniqueFd();
    return error;
  }
  return 0;
}

// A lease (a file server's oplock) makes a non-blocking open fail with EWOULDBLOCK.
// The file behind the name is then made sure of without opening it, and opened again
// through its descriptor, which cannot have turned into a FIFO meanwhile; that open
// waits for the lease as a plain open would.
int OpenLeased(int folderFd, const char* name, int flags, UniqueFd& fd) {
  UniqueFd path(::openat(folderFd, name, O_PATH | O_CLOEXEC | (flags & O_NOFOLLOW)));
  if (!path) return errno;
  struct stat info;
  if (::fstat(path.get(), &info) != 0) return errno;
  if (S_ISLNK(info.st_mode)) return kIsSymbolicLink;
  if (const int error = RegularOnly(info); error != 0) return error;
  const std::string self = "/proc/self/fd/" + std::to_string(path.get());
  fd = UniqueFd(::open(self.c_str(), flags & ~(O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK)));
  return fd ? 0 : errno;
}

// Opens an entry that may exist already, by the rules above.
int OpenChecked(int folderFd, const char* name, int flags, mode_t mode, struct stat& info, UniqueFd& fd) {
  flags |= O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  fd = UniqueFd();
  if (const int fault = InjectedFault(IoCall::Open); fault != 0) return fault;
  fd = UniqueFd(::openat(folderFd, name, flags, mode));
  if (!fd) {
    const int error = errno;
    if (error != EWOULDBLOCK) return ExplainOpenError(error, folderFd, name);
    if (const int leased = OpenLeased(folderFd, name, flags, fd); leased != 0) return leased;
  }
  return KeepRegular(fd, info);
}

int ReadSized(int fd, std::size_t size, std::uint8_t* into) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::read(fd, into + done, std::min(size - done, kMaxReadChunkBytes));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) return EIO;
    done += static_cast<std::size_t>(got);
  }
  return 0;
}

// Sized once from the file, so that reading takes no read() beyond the last byte: a
// file that grows meanwhile is read up to its size at opening, as a whole-file read on
// Windows is; one that shrinks is cut short, which is an error.
template <typename Buffer>
int ReadSizedInto(int fd, const struct stat& info, Buffer& into) {
  into.resize(static_cast<std::size_t>(info.st_size));
  return ReadSized(fd, into.size(), reinterpret_cast<std::uint8_t*>(into.data()));
}

template <typename Buffer>
int ReadAllInto(int fd, Buffer& into) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return errno;
  if (const int error = RegularOnly(info); error != 0) return error;
  return ReadSizedInto(fd, info, into);
}

int OpenForReading(const std::string& pathText, struct stat& info, UniqueFd& fd) {
  return OpenChecked(AT_FDCWD, pathText.c_str(), O_RDONLY, 0, info, fd);
}

template <typename Buffer>
int ReadWholeFileInto(const std::string& pathText, Buffer& into, ReadStep& failedStep) {
  UniqueFd fd;
  struct stat info;
  failedStep = ReadStep::Open;
  if (const int error = OpenForReading(pathText, info, fd); error != 0) return error;
  failedStep = ReadStep::Read;
  return ReadSizedInto(fd.get(), info, into);
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

int CreateFlags(const CreateOptions& options) {
  int flags = O_CLOEXEC | AccessFlags(options.access) | DispositionFlags(options.disposition);
  // An unnamed file's path is its folder, the one the user gave, links and all.
  if (!options.followLinks && options.disposition != Disposition::Unnamed) flags |= O_NOFOLLOW;
  return flags;
}

// A new file (O_EXCL, O_TMPFILE) is a regular file by making; only an open that may
// meet an existing entry needs the checks.
bool MayOpenExisting(Disposition disposition) {
  return disposition != Disposition::CreateNew && disposition != Disposition::Unnamed;
}

int OpenFolderBeneath(std::string_view beneath, const std::string& folderText, UniqueFd& folder) {
  const std::optional<std::string> relative = RelativeBelow(beneath, folderText);
  if (!relative) return kOutsideFolder;
  const std::string beneathText(beneath);
  if (const int fault = InjectedFault(IoCall::Open); fault != 0) return fault;
  const UniqueFd root(::open(beneathText.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!root) return errno;
  const int error = TryOpenBeneath(root.get(), *relative, O_PATH | O_DIRECTORY | O_CLOEXEC, 0, folder);
  // The folder's own name is a link: for what lies in it, a link on the way.
  return error == kIsSymbolicLink ? kThroughSymbolicLink : error;
}

// A write the test seam fails, as write() fails: -1 and errno.
ssize_t FailedWrite(int fault) {
  errno = fault;
  return -1;
}

}  // namespace

int TryOpenForReading(const std::string& pathText, UniqueFd& fd) {
  struct stat info;
  return OpenForReading(pathText, info, fd);
}

int TryReadAll(int fd, std::vector<std::uint8_t>& into) { return ReadAllInto(fd, into); }
int TryReadAll(int fd, std::string& into) { return ReadAllInto(fd, into); }

int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into) {
  ReadStep unused;
  return ReadWholeFileInto(pathText, into, unused);
}
int TryReadWholeFile(const std::string& pathText, std::string& into) {
  ReadStep unused;
  return ReadWholeFileInto(pathText, into, unused);
}
int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into, ReadStep& failedStep) {
  return ReadWholeFileInto(pathText, into, failedStep);
}

int TryCreateFileIn(int folderFd, const std::string& name, const CreateOptions& options, UniqueFd& fd) {
  const int flags = CreateFlags(options);
  if (!MayOpenExisting(options.disposition)) {
    fd = UniqueFd();
    if (const int fault = InjectedFault(IoCall::Open); fault != 0) return fault;
    fd = UniqueFd(::openat(folderFd, name.c_str(), flags, options.mode));
    return fd ? 0 : errno;
  }
  struct stat info;
  return OpenChecked(folderFd, name.c_str(), flags, options.mode, info, fd);
}

int TryCreateFile(const std::string& pathText, const CreateOptions& options, UniqueFd& fd) {
  if (options.beneath.empty()) return TryCreateFileIn(AT_FDCWD, pathText, options, fd);
  UniqueFd folder;
  if (options.disposition == Disposition::Unnamed) {  // pathText is the folder itself
    if (const int error = OpenFolderBeneath(options.beneath, pathText, folder); error != 0) return error;
    return TryCreateFileIn(folder.get(), ".", options, fd);
  }
  std::string name;
  if (const int error = TryOpenFolderOf(pathText, options.beneath, folder, name); error != 0) return error;
  return TryCreateFileIn(folder.get(), name, options, fd);
}

int TryOpenFolder(const std::string& folderText, UniqueFd& folder) {
  folder = UniqueFd();
  if (const int fault = InjectedFault(IoCall::Open); fault != 0) return fault;
  folder = UniqueFd(::open(folderText.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  return folder ? 0 : errno;
}

int TryOpenFolderOf(const std::string& pathText, std::string_view beneath, UniqueFd& folder, std::string& name) {
  name = FileNameOfPath(pathText);
  if (name.empty() || name == "." || name == "..") return EISDIR;
  const std::string folderText = FolderOfPath(pathText);
  if (!beneath.empty()) return OpenFolderBeneath(beneath, folderText, folder);
  return TryOpenFolder(folderText, folder);
}

int TryWriteAll(int fd, std::span<const std::uint8_t> bytes) {
  return WriteEvery(bytes, [fd](const std::uint8_t* data, std::size_t size, std::uint64_t) {
    if (const int fault = InjectedFault(IoCall::Write); fault != 0) return FailedWrite(fault);
    return ::write(fd, data, size);
  });
}

int TryWriteAll(int fd, std::string_view bytes) {
  return TryWriteAll(fd, {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

int TryWriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset) {
  return WriteEvery(bytes, [fd, offset](const std::uint8_t* data, std::size_t size, std::uint64_t done) {
    if (const int fault = InjectedFault(IoCall::Write); fault != 0) return FailedWrite(fault);
    return ::pwrite(fd, data, size, static_cast<off_t>(offset + done));
  });
}

int TrySyncFile(int fd) {
  if (const int fault = InjectedFault(IoCall::Sync); fault != 0) return fault;
  return ::fsync(fd) == 0 ? 0 : errno;
}

int TrySyncFolder(const std::string& folderText) {
  if (const int fault = InjectedFault(IoCall::Open); fault != 0) return fault;
  UniqueFd folder(::open(folderText.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder) return errno;
  if (const int error = TrySyncFile(folder.get()); error != 0) return error;
  return folder.Close();
}

int TryRenameFile(const std::string& from, const std::string& to) {
  if (const int fault = InjectedFault(IoCall::Rename); fault != 0) return fault;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int TryRenameFileIn(int folderFd, const std::string& from, const std::string& to) {
  if (const int fault = InjectedFault(IoCall::Rename); fault != 0) return fault;
  return ::renameat(folderFd, from.c_str(), folderFd, to.c_str()) == 0 ? 0 : errno;
}

int TryRemoveFile(const std::string& pathText) { return TryRemoveFileIn(AT_FDCWD, pathText); }

int TryRemoveFileIn(int folderFd, const std::string& name) {
  if (const int fault = InjectedFault(IoCall::Unlink); fault != 0) return fault;
  return ::unlinkat(folderFd, name.c_str(), 0) == 0 ? 0 : errno;
}

}  // namespace zav
