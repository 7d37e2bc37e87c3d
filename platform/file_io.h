// The one file-I/O layer of both programs and their tools: every file is opened for
// reading, created, written, flushed and renamed through these few calls, so that each
// rule about files (what may be opened, where writes may go) stands in one place.
// Windows-service style: each returns 0 or the errno of the failed step, and callers
// word the failure in their own terms. They never retry a step that failed but on EINTR.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handles.h"

namespace zav {

// Opens a file to read it. The one place that decides which files may be read.
[[nodiscard]] int TryOpenForReading(const std::string& pathText, UniqueFd& fd);

// The file's bytes up to the size it had when opened, replacing what `into` held (its
// capacity is kept, so a buffer reused from file to file is allocated once). A folder
// gives EISDIR; a file that ends before that size, EIO.
[[nodiscard]] int TryReadAll(int fd, std::vector<std::uint8_t>& into);
[[nodiscard]] int TryReadAll(int fd, std::string& into);

// TryOpenForReading, then TryReadAll.
[[nodiscard]] int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into);
[[nodiscard]] int TryReadWholeFile(const std::string& pathText, std::string& into);

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
  mode_t mode = 0666;        // for a new file, less the umask
  bool followLinks = true;   // false: a link at the name itself is refused (ELOOP)
};

// Opens a file to write it (or, with FileAccess::Read, only to hold it). The one place
// that decides where files may be created and written.
[[nodiscard]] int TryCreateFile(const std::string& pathText, const CreateOptions& options, UniqueFd& fd);

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

// Renames `from` over `to` in one step (rename).
[[nodiscard]] int TryRenameFile(const std::string& from, const std::string& to);

}  // namespace zav
