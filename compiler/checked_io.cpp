#include "compiler/checked_io.h"

#include <cerrno>

#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/sys_error.h"

namespace zav {
namespace {

[[noreturn]] void ThrowWriteError() { throw Failure(ErrorKind::Write, std::string(kWriteMessage)); }

}  // namespace

void ReadWholeFile(const std::string& pathText, std::vector<std::uint8_t>& into) {
  ReadStep failedStep;
  if (const int error = TryReadWholeFile(pathText, into, failedStep); error == 0) {
    return;
  } else if (failedStep == ReadStep::Open) {
    throw Failure(ErrorKind::FileOpen, CannotOpenMessage(pathText, error));
  }
  throw Failure(ErrorKind::Read, std::string(kReadMessage));
}

PendingFile CreateLibraryFile(const std::string& finalPath) {
  PendingFile file;
  if (const int error = file.CreateBeside(finalPath, "zavbuild", {.access = FileAccess::ReadWrite});
      error != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(finalPath, error));
  }
  return file;
}

PendingFile CreateSideFile(const std::string& pathText) {
  PendingFile file;
  if (const int error = file.CreateInPlace(pathText, {.access = FileAccess::ReadWrite}); error != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(pathText, error));
  }
  return file;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  if (TryWriteAll(fd, bytes) != 0) ThrowWriteError();
}

void CommitFile(PendingFile& file, bool syncToDisk) {
  if (syncToDisk && file.Sync() != 0) ThrowWriteError();
  if (file.Close() != 0) ThrowWriteError();
  if (const int error = file.Commit(); error != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(file.FinalPath(), error));
  }
}

}  // namespace zav
