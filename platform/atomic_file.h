// Whole-file replacement for the small text files the front end rewrites (settings and
// descriptor files): the new content goes to a temporary file in the same folder and is
// renamed over the old one, so a reader or a crash sees either the old file or the new
// one, never half of either. Windows-service style results: false with errno set.
#pragma once

#include <string>
#include <string_view>

namespace zav {

// Replaces the content of the file (or creates it) with bytes. A link is followed and
// its target replaced; an existing file keeps its permissions, and a file without
// write permission is refused (EACCES), as Windows refuses a read-only file. The
// temporary file is removed on every failure.
bool ReplaceFileContents(const std::string& pathText, std::string_view bytes);

// Forces the file and the entry in its folder to the disk (fsync of both). Kept apart
// from the replacement so that thousands of descriptor writes do not each wait for the
// disk; the settings file, written once at the end, is synced by its writer.
bool SyncFileToDisk(const std::string& pathText);

}  // namespace zav
