// The file operations of a build on the user's folders: files found by a wildcard mask
// as the directory search matches it, deleted unless read-only or spared; entries below
// a folder looked at and removed without following a link. The import and the build
// journal (build_journal.h) decide which files.
#pragma once

#include <sys/stat.h>

#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/handles.h"

namespace orlindo {

// A wildcard as the directory search matches it: "*" any run of characters, "?" one,
// letter case ignored.
bool MatchesMask(std::string_view name, std::string_view mask);

// Names alone of the files (not folders) at the top of folder whose names match mask,
// hidden ones included, in listing order. A folder that cannot be listed gives none.
// The current directory is never changed, so it is the same afterwards.
void ListFiles(std::vector<std::string>& list, const std::string& folder, const std::string& mask);

// Deletes the entry `name` of a folder opened by the caller unless it is missing, a
// folder, or marked read-only (no write bit, the Linux face of the read-only attribute).
// Returns 0, or the errno of a failed deletion, which callers may ignore.
int DeleteFileUnlessReadOnly(int folderFd, const std::string& name);

// Whether a failure to look at an entry below a folder means that nothing is there for
// the build: no entry, or a name beyond a link or outside the folder.
bool IsNothingThere(int error);

// The entries below one folder, each reached from it without a link on the way (the file
// layer's rule), a link at the name itself not followed. Each folder on the way is
// opened once for all its entries: a build looks at thousands of them.
class EntriesBeneath {
 public:
  explicit EntriesBeneath(std::string folder) : folder_(std::move(folder)) {}

  // The entry `relative` as it is: 0, or why not (ENOENT for no entry, the layer's
  // numbers for a link on the way).
  int Look(const std::string& relative, struct stat& info);

  // Removes `relative` when it is a regular file; a link or anything else there is not
  // the build's to remove. Returns 0, also where there is nothing to remove, or the
  // errno of the step that failed, for the restore to tell and try again later.
  int RemoveFile(const std::string& relative);

  const std::string& Folder() const { return folder_; }

 private:
  struct Opened {
    int error = 0;
    zav::UniqueFd fd;
  };
  // The folder that holds `relative`, opened (or why not), and the entry's name in it.
  const Opened& FolderOf(const std::string& relative, std::string& name);

  std::string folder_;
  std::map<std::string, Opened> opened_;  // by the folder part of the relative path
};

// DeleteFileUnlessReadOnly for every file of the folder that one of the masks matches,
// but those in spare; the paths that would not go, each with its errno. The folder is
// listed and opened once: a build leaves thousands of side files in it.
std::vector<std::pair<std::string, int>> DeleteFiles(const std::string& folder, std::span<const std::string_view> masks,
                                                     const std::set<std::string>& spare = {});

}  // namespace orlindo
