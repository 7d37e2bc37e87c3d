// The run's file I/O in the run's own terms: the platform's calls (platform/file_io.h,
// platform/pending_file.h), each failure turned into the run's kind and message.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/pending_file.h"

namespace zav {

// The whole file, replacing what `into` held (its capacity is kept); EFOpenError
// "Cannot open file ..." (a folder too) or EReadError "Stream read error".
void ReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into);

// The library, written under a temporary name beside its final path. EFCreateError
// naming the final path, the path the user knows; a folder or a link in the way fails
// now, as creating the file would, not at the rename.
PendingFile CreateLibraryFile(const std::string& finalPath);
// A side file at its path, created new or truncated; EFCreateError on failure.
PendingFile CreateSideFile(const std::string& pathText);
// How a side file that must not exist yet is made (PendingFile::CreateInPlace).
inline constexpr CreateOptions kNewSideFile{.access = FileAccess::ReadWrite,
                                            .disposition = Disposition::CreateNew};

// Every byte or EWriteError "Stream write error".
void WriteAll(int fd, std::span<const std::uint8_t> bytes);

// Flushes to disk when asked (the library), closes, gives the file its final name.
// EWriteError for the data (a late write error at close included), EFCreateError
// naming the final path for the rename.
void CommitFile(PendingFile& file, bool syncToDisk);

}  // namespace zav
