// Paths as texts. Folder texts from the user are never trimmed or normalised: the exact
// text, a doubled "/" included, appears in messages and in the files the programs
// write, so joining is done on text and a path is made only at the system call.
#pragma once

#include <string>

namespace zav {

inline constexpr char kSeparator = '/';

// folder + "/" + name, always one separator, whatever the folder ends in.
inline std::string JoinPathText(const std::string& folder, const std::string& name) {
  std::string joined;
  joined.reserve(folder.size() + 1 + name.size());
  joined += folder;
  joined += kSeparator;
  joined += name;
  return joined;
}

// The scan's rule: the separator is left out where the folder already ends in one.
inline std::string JoinScanPathText(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kSeparator) return folder + name;
  return JoinPathText(folder, name);
}

// The folder part of a path text: "." for a bare name, "/" for a name at the root.
std::string FolderOfPath(const std::string& pathText);

// The name after the last "/" (the whole text when there is none).
std::string FileNameOfPath(const std::string& pathText);

// Number of Unicode code points of a UTF-8 text (the unit of the path-length limits).
std::size_t LengthChars(const std::string& utf8);

}  // namespace zav
