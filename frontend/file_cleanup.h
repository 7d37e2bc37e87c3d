// The clean-up's file operations on the folders of a build: files found by a wildcard
// mask as the directory search matches it, and deleted unless read-only or spared.
// The build journal (build_journal.h) decides which files go.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace orlindo {

// A wildcard as the directory search matches it: "*" any run of characters, "?" one,
// letter case ignored.
bool MatchesMask(std::string_view name, std::string_view mask);

// Names alone of the files (not folders) at the top of folder whose names match mask,
// hidden ones included, in listing order. A folder that cannot be listed gives none.
// The current directory is never changed, so it is the same afterwards.
void ListFiles(std::vector<std::string>& list, const std::string& folder, const std::string& mask);

// Deletes the file unless it is missing, a folder, or marked read-only (no write bit,
// the Linux face of the read-only attribute). A failed deletion is ignored.
void DeleteFileUnlessReadOnly(const std::string& path);

// DeleteFileUnlessReadOnly for every listed file but those in spare.
void DeleteFiles(const std::string& folder, const std::string& mask,
                 const std::set<std::string>& spare = {});

}  // namespace orlindo
