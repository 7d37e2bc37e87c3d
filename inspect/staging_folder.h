// Where extract writes before anything reaches the user's folder: a hidden folder that
// is moved into place whole (a folder that did not exist) or whose files are moved in
// one by one, never over an existing name (a folder that exists). Whatever fails, the
// destructor takes back every file written or moved, so the folder is left as it was.
#pragma once

#include <string>
#include <vector>

#include "platform/handles.h"

namespace zav::inspect {

class StagingFolder {
 public:
  // EFCreateError when the hidden folder cannot be made, or DIR is not a folder.
  explicit StagingFolder(const std::string& dirText);
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;
  ~StagingFolder();

  // A new file in the hidden folder, open for writing; the name is DIR's file name.
  UniqueFd Create(const std::string& name);

  // Whether DIR holds an entry of this name already (a link counts, followed or not).
  bool ExistsInTarget(const std::string& name) const;

  // Everything into DIR, never replacing an entry; EFCreateError, and DIR as it was.
  void Commit();

 private:
  void MoveFilesIn();

  std::string dirText_;
  bool dirExisted_ = false;
  UniqueFd parentFd_;   // the folder that holds the hidden folder
  std::string stagingName_;
  std::string stagingPath_;  // the hidden folder, as a path to create files in
  UniqueFd stagingFd_;
  UniqueFd dirFd_;      // DIR, when it existed
  std::vector<std::string> names_;  // written into the hidden folder
  std::vector<std::string> moved_;  // moved into DIR, taken back on failure
  bool committed_ = false;
};

}  // namespace zav::inspect
