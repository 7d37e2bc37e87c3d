// The run's file I/O in the run's own terms: the platform's calls (platform/file_io.h,
// platform/pending_file.h), each failure turned into the run's kind and message.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compiler/interruption.h"
#include "platform/pending_file.h"

namespace zav {

// The whole file, replacing what `into` held (its capacity is kept); EFOpenError
// "Cannot open file ..." (a folder too) or EReadError "Stream read error".
void ReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into);

// A file of the run that carries its name before it is complete: removed when the run
// fails (the PendingFile) or a signal ends it (the mark, compiler/interruption.h).
struct RunFile {
  PendingFile file;
  UnfinishedMark mark;
  int fd() const { return file.fd(); }
};

// The library, written under a temporary name beside its final path. EFCreateError
// naming the final path, the path the user knows; a folder or a link in the way fails
// now, as creating the file would, not at the rename.
RunFile CreateLibraryFile(const std::string& finalPath);
// A side file at its path, created new or truncated; EFCreateError on failure.
RunFile CreateSideFile(const std::string& pathText);
// A side file at its path as options say (PendingFile::CreateInPlace): 0 or errno.
[[nodiscard]] int TryCreateSideFile(const std::string& pathText, const CreateOptions& options, RunFile& into);
// How a side file that must not exist yet is made.
inline constexpr CreateOptions kNewSideFile{.access = FileAccess::ReadWrite,
                                            .disposition = Disposition::CreateNew};

// Every byte or EWriteError "Stream write error".
void WriteAll(int fd, std::span<const std::uint8_t> bytes);

// Flushes to disk when asked (the library), closes, gives the file its final name.
// EWriteError for the data (a late write error at close included), EFCreateError
// naming the final path for the rename.
void CommitFile(RunFile& file, bool syncToDisk);
// Closes and names it (PendingFile::Commit): 0 or errno.
[[nodiscard]] int TryCommitFile(RunFile& file);

}  // namespace zav
