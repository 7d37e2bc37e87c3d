// BuildSnapshot: the clean-up after a compile. Taken before the import, it tells the
// intermediate files the build made, of the import (descriptor files, "copyright.txt")
// and of the compiler (side files, "LIBSVG.txt", "LIBSVG.txtz"), which go, from the
// user's own, which stay or get their earlier bytes back.
#pragma once

#include <sys/types.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orlindo {

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
