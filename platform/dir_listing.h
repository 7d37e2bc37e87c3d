// Folder listings in the one order both programs use on every machine: names compared
// with ASCII letters upper-cased, byte by byte, ties broken by the original bytes (the
// order NTFS gives for ASCII names). The kernel's readdir order is never used as is.
#pragma once

#include <string>
#include <vector>

namespace zav {

struct DirEntry {
  std::string name;
  bool isFolder = false;  // a link to a folder counts as a folder
  bool isFile = false;    // a regular file, or a link to one
};

enum class ListResult { Listed, NotFound, Unreadable };

// Every entry but "." and "..", hidden ones included, sorted as above.
ListResult ListFolder(const std::string& folderText, std::vector<DirEntry>& entries);

// The comparison behind the order, for callers that sort names themselves.
bool ListingOrderLess(const std::string& a, const std::string& b);

// Whether the path names an existing file (not a folder; a link counts when its
// target is a file) / an existing folder (a link counts when its target is one).
bool IsExistingFile(const std::string& pathText);
bool IsExistingFolder(const std::string& pathText);
// Whether anything but a folder has the name, a link counted as itself, never followed:
// a name that a new file cannot take.
bool IsTakenByNonFolder(const std::string& pathText);

}  // namespace zav
