// The clean-up after a compile: the intermediate files of the import (descriptor files,
// "copyright.txt") and of the compiler (side files, "LIBSVG.txt", "LIBSVG.txtz"). A
// snapshot taken before the import tells the files the build made, which go, from the
// user's own, which stay or get their earlier bytes back.
#pragma once

#include <sys/types.h>

#include <optional>
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

// Deletes every listed file, skipping those in spare and those marked read-only (no
// write bit, the Linux face of the read-only attribute). A failed deletion is ignored.
void DeleteFiles(const std::string& folder, const std::string& mask,
                 const std::set<std::string>& spare = {});

// What lay in the two folders before the import: the SVG folder's descriptor files (in
// the whole tree) and "copyright.txt" with their bytes, the output folder's ".svgz" names.
class BuildSnapshot {
 public:
  static BuildSnapshot Take(const std::string& svgFolder, const std::string& outFolder);

  // The clean-up list in its order, in the folders the build worked in: files at the top
  // that the build made are deleted, files it changed get their earlier bytes back (in
  // subfolders too, where nothing is ever deleted), the rest stay.
  void CleanUp() const;

 private:
  struct KeptFile {
    std::string name;
    std::optional<std::string> bytes;  // nullopt: could not be read, so spared untouched
    mode_t mode = 0;
  };
  void Keep(std::vector<KeptFile>& into, const std::string& relative) const;
  void KeepDescriptors(const std::string& relativeFolder);  // "" for the top
  void PutBack(const std::string& folder, const KeptFile& file) const;

  std::string svgFolder_;
  std::string outFolder_;
  std::vector<KeptFile> descriptors_;  // names at the top, relative paths below it
  std::vector<KeptFile> copyright_;  // none or one
  std::set<std::string> sideFiles_;
};

}  // namespace orlindo
