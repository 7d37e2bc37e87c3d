// Whole-file reads and checked writes on descriptors, with the run's failure kinds and
// messages. The Try* forms give the errno instead, for callers that word the failure
// themselves (the copy of an already compressed symbol carries the system's text).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace zav {

// errno of the failed step, or 0. A file that ends before its size was read gives EIO.
int TryReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into);
int TryWriteAll(int fd, std::span<const std::uint8_t> bytes);

// Opens for reading; EFOpenError "Cannot open file ..." on failure.
UniqueFd OpenForReading(const std::string& pathText);
// The whole file, replacing what `into` held (its capacity is kept); EFOpenError or
// EReadError "Stream read error".
void ReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into);

// Creates new or truncates; EFCreateError "Cannot create file ..." on failure.
UniqueFd CreateForWriting(const std::string& pathText);
// Every byte or EWriteError "Stream write error".
void WriteAll(int fd, std::span<const std::uint8_t> bytes);
// close() checked: a late write error (NFS, quota) is a write error too.
void CloseWritten(UniqueFd& fd);

}  // namespace zav
