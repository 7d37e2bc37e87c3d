// A file that keeps its final name only once it is complete. Written under a hidden
// temporary name beside the final path and renamed over it by Commit(), so that a
// reader or a crash sees the old file or the new one, never half of either; or written
// at the final path itself and removed again unless committed. Without Commit() the
// destructor removes what was written. Windows-service style: 0 or errno.
#pragma once

#include <string>
#include <string_view>

#include "platform/file_io.h"
#include "platform/handles.h"

namespace zav {

class PendingFile {
 public:
  PendingFile() = default;
  PendingFile(PendingFile&& other) noexcept;
  PendingFile& operator=(PendingFile&& other) noexcept;
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
  // Removes the file unless it was committed; errno is left as it was, for the caller
  // reports the failure that brought it here.
  ~PendingFile();

  // A new file in the folder of finalPath named "." tag "-" <pid> "-" <serial> ".tmp",
  // unique in the process and among processes. The name is short whatever finalPath
  // is, so a final name near the system's limit still gets one. options.disposition
  // is not used: the file is always new. A folder at finalPath is refused now (EISDIR),
  // as the rename would refuse it, and so is a link there (kIsSymbolicLink) unless
  // options.followLinks: the rename would replace the link, not write through it.
  [[nodiscard]] int CreateBeside(const std::string& finalPath, std::string_view tag,
                                 const CreateOptions& options = {});
  // finalPath itself, opened as options say; Commit() leaves it where it is.
  [[nodiscard]] int CreateInPlace(const std::string& finalPath, const CreateOptions& options);

  int fd() const { return fd_.get(); }
  const std::string& FinalPath() const { return finalPath_; }
  // Where the bytes are until Commit(): the temporary path, or finalPath in place.
  const std::string& WrittenPath() const { return writtenPath_; }

  [[nodiscard]] int Sync();
  // Closes the file, which stays pending. A late write error (NFS, quota) shows here.
  [[nodiscard]] int Close();
  // Closes the file if still open and gives it its final name; a link put at that
  // name meanwhile is refused as CreateBeside refuses it. On failure the file stays
  // pending, and the destructor removes it.
  [[nodiscard]] int Commit();

 private:
  // The file's folder, opened once: the name is made, renamed and removed in that
  // folder, whatever happens to the path that led there.
  UniqueFd folder_;
  UniqueFd fd_;
  std::string writtenPath_;
  std::string writtenName_;
  std::string finalPath_;
  std::string finalName_;
  bool replaceLinks_ = false;
  bool pending_ = false;  // there is a written file that is not committed
};

}  // namespace zav
