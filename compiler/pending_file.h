// A file that is kept only once it is complete. The library is written under a
// temporary name beside its final path and renamed over it by Commit(); a side file is
// written in place. Without Commit() the destructor removes what was written, so a
// failed run never leaves a truncated library (or a half side file) that looks whole.
#pragma once

#include <optional>
#include <string>

#include "platform/handles.h"

namespace zav {

class PendingFile {
 public:
  // A new temporary file in the folder of finalPath. Failure: EFCreateError naming
  // finalPath, the path the user knows.
  static PendingFile Beside(const std::string& finalPath);
  // finalPath itself, created new or truncated; EFCreateError on failure.
  static PendingFile InPlace(const std::string& finalPath);
  // finalPath itself, which must not exist yet; nullopt and the errno on failure.
  static std::optional<PendingFile> TryCreateNew(const std::string& finalPath, int& error);

  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&&) = delete;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  ~PendingFile();

  int fd() const { return fd_.get(); }
  // Flushes to disk when asked (the library), closes, renames over the final path.
  // Failures: EWriteError for the data, EFCreateError naming the final path for the
  // rename.
  void Commit(bool syncToDisk);

 private:
  PendingFile(UniqueFd fd, std::string writtenPath, std::string finalPath);

  UniqueFd fd_;
  std::string writtenPath_;
  std::string finalPath_;
  bool done_ = false;
};

}  // namespace zav
