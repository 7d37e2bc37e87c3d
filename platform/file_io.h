// The one file-I/O layer of both programs and their tools: every file is opened for
// reading, created, written, flushed and renamed through these few calls, so that each
// rule about files (what may be opened, where writes may go) stands in one place.
// Windows-service style: each returns 0 or the errno of the failed step, and callers
// word the failure in their own terms. They never retry a step that failed but on EINTR.
// Each system call asks the fault-injection seam of the tests first (platform/fault_seam.h).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handles.h"
#include "platform/sys_error.h"  // the layer's own error numbers

namespace zav {

// Opens a file to read it. The one place that decides which files may be read: a
// regular file only, reached through links or not. A folder gives EISDIR; a FIFO,
// device or socket gives kNotRegularFile (platform/sys_error.h) and is never waited
// for, since the file is opened without blocking and only then looked at. A file
// under a lease (a file server's) is waited for, as an open always did.
[[nodiscard]] int TryOpenForReading(const std::string& pathText, UniqueFd& fd);

// The file's bytes up to the size it had when opened, replacing what `into` held (its
// capacity is kept, so a buffer reused from file to file is allocated once). A folder
// gives EISDIR, anything else but a regular file kNotRegularFile; a file that ends
// before that size, EIO.
[[nodiscard]] int TryReadAll(int fd, std::vector<std::uint8_t>& into);
[[nodiscard]] int TryReadAll(int fd, std::string& into);

// TryOpenForReading, then TryReadAll, with one fstat for both.
[[nodiscard]] int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into);
[[nodiscard]] int TryReadWholeFile(const std::string& pathText, std::string& into);
// The same, telling which of the two steps failed, for callers that word them apart.
enum class ReadStep { Open, Read };
[[nodiscard]] int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into,
                                   ReadStep& failedStep);

enum class FileAccess { Read, Write, ReadWrite };

// What creating does where the name exists or not, after Windows' dispositions.
enum class Disposition {
  CreateAlways,      // a new file, or the existing one truncated
  CreateNew,         // a new file only: EEXIST where the name is taken
  OpenAlways,        // the existing file as it is, or a new one
  TruncateExisting,  // the existing file truncated: ENOENT where there is none
  Unnamed,           // a file without a name in the folder that pathText names (O_TMPFILE)
};

struct CreateOptions {
  FileAccess access = FileAccess::Write;
  Disposition disposition = Disposition::CreateAlways;
  mode_t mode = 0666;  // for a new file, less the umask
  // Nothing is written through a link: a link at the name is refused and left as it
  // is (kIsSymbolicLink; EEXIST for CreateNew, as for any taken name). True only for
  // a file that its user keeps as a link on purpose.
  bool followLinks = false;
  // The folder the user gave, where pathText must lie: set, pathText is reached from
  // it without any link and without leaving it (kThroughSymbolicLink, kIsSymbolicLink,
  // kOutsideFolder otherwise). The folder text itself may hold links; pathText must
  // start with it. Needed only where pathText has folders below the given one: a name
  // of one part cannot leave its folder once links at the name are refused.
  std::string_view beneath = {};
};

// Opens a file to write it (or, with FileAccess::Read, only to hold it). The one place
// that decides where files may be created and written. An existing entry that is not
// a regular file is refused without waiting for it (kNotRegularFile; a folder EISDIR).
[[nodiscard]] int TryCreateFile(const std::string& pathText, const CreateOptions& options, UniqueFd& fd);

// The folder that holds pathText, opened to work on its entries by name (O_PATH),
// reached from `beneath` as TryCreateFile reaches files when that is set; `name`
// receives pathText's last part (EISDIR where that is "", "." or "..").
[[nodiscard]] int TryOpenFolderOf(const std::string& pathText, std::string_view beneath, UniqueFd& folder,
                                  std::string& name);
// A folder itself, opened to work on its entries by name (O_PATH), links followed.
[[nodiscard]] int TryOpenFolder(const std::string& folderText, UniqueFd& folder);
// TryCreateFile for the entry `name` of a folder opened so (options.beneath unused).
[[nodiscard]] int TryCreateFileIn(int folderFd, const std::string& name, const CreateOptions& options,
                                  UniqueFd& fd);

// Every byte, or the errno of the write that failed; a write that moves no byte at all
// is ENOSPC (platform/write_loop.h decides every outcome).
[[nodiscard]] int TryWriteAll(int fd, std::span<const std::uint8_t> bytes);
[[nodiscard]] int TryWriteAll(int fd, std::string_view bytes);
// The same at a given offset, the file position left where it was (pwrite).
[[nodiscard]] int TryWriteAllAt(int fd, std::span<const std::uint8_t> bytes, std::uint64_t offset);

// Forces what was written to the file to the disk (fsync).
[[nodiscard]] int TrySyncFile(int fd);
// Forces a folder's entries to the disk, so that a file renamed into it stays renamed.
[[nodiscard]] int TrySyncFolder(const std::string& folderText);

// Renames `from` over `to` in one step (rename); the second, both names in one folder.
[[nodiscard]] int TryRenameFile(const std::string& from, const std::string& to);
[[nodiscard]] int TryRenameFileIn(int folderFd, const std::string& from, const std::string& to);

// Removes a file's name (unlink); the second, an entry of a folder opened by the caller.
// Callers that clean up after a failure may ignore the result: the failure they report
// is the one that brought them there.
int TryRemoveFile(const std::string& pathText);
int TryRemoveFileIn(int folderFd, const std::string& name);

}  // namespace zav
