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

RunFile CreateLibraryFile(const std::string& finalPath) {
  RunFile run;
  const SignalsHeld held;  // made and marked, with no signal in between
  if (const int error = run.file.CreateBeside(finalPath, "zavbuild", {.access = FileAccess::ReadWrite});
      error != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(finalPath, error));
  }
  run.mark = UnfinishedMark(run.file.WrittenPath());
  return run;
}

int TryCreateSideFile(const std::string& pathText, const CreateOptions& options, RunFile& into) {
  into = RunFile();
  const SignalsHeld held;
  if (const int error = into.file.CreateInPlace(pathText, options); error != 0) return error;
  into.mark = UnfinishedMark(into.file.WrittenPath());
  return 0;
}

RunFile CreateSideFile(const std::string& pathText) {
  RunFile run;
  if (const int error = TryCreateSideFile(pathText, {.access = FileAccess::ReadWrite}, run); error != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(pathText, error));
  }
  return run;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  if (TryWriteAll(fd, bytes) != 0) ThrowWriteError();
}

int TryCommitFile(RunFile& file) {
  // Named and unmarked in one step: a signal just before would remove the file, one
  // just after leaves it complete.
  const SignalsHeld held;
  const int error = file.file.Commit();
  if (error == 0) file.mark.Clear();
  return error;
}

void CommitFile(RunFile& file, bool syncToDisk) {
  if (syncToDisk && file.file.Sync() != 0) ThrowWriteError();
  if (file.file.Close() != 0) ThrowWriteError();
  if (const int error = TryCommitFile(file); error != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(file.file.FinalPath(), error));
  }
}

}  // namespace zav
