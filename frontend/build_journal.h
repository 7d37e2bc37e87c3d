// The build journal, the one record of what a build changes in the user's folders.
// Before the import changes or creates a file, the earlier state of every file the build
// will write (journal_record.h) goes to the state folder in one write and one flush to
// the disk. The clean-up after the compile puts the folders back from it and removes
// it; a build that never gets there (a signal, a crash, a power cut) leaves it behind,
// and the next start of Orlindo puts the folders back from it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontend/journal_record.h"
#include "platform/handles.h"

namespace orlindo {

// A file that could not be put back, and why (an errno).
struct RestoreProblem {
  std::string path;
  int error = 0;
};

class BuildJournal {
 public:
  // Records the earlier state of the files below svgFolder that the import will write
  // (relative paths: descriptor files, "copyright.txt") and of the output folder's side
  // files, writes the journal into journalFolder and holds it locked, so that no other
  // start of Orlindo takes it for an unfinished one. Throws a Failure naming the journal,
  // or a file whose earlier bytes cannot be read.
  static BuildJournal Begin(const std::string& journalFolder, const std::string& svgFolder,
                            const std::vector<std::string>& svgFiles, const std::string& outFolder);

  BuildJournal(BuildJournal&&) = default;
  BuildJournal& operator=(BuildJournal&&) = default;

  // The clean-up: RestoreFolders. When every earlier file is back, the journal is removed;
  // otherwise it stays for the next start, and what is not back is returned. Done once:
  // a later call returns what the first one did.
  std::vector<RestoreProblem> Restore();

  const std::string& Path() const { return path_; }
  const JournalRecord& Record() const { return record_; }

 private:
  BuildJournal(std::string path, JournalRecord record, zav::UniqueFd lock)
      : path_(std::move(path)), record_(std::move(record)), lock_(std::move(lock)) {}

  std::string path_;
  JournalRecord record_;
  zav::UniqueFd lock_;  // released when the owner goes: by then the journal is done or kept
  std::optional<std::vector<RestoreProblem>> restored_;
};

// Puts both folders back as the record says: a file the build made is removed, one it
// changed gets its earlier bytes and mode back, an entry it had to leave alone (a link,
// no regular file) is never touched, and the side files it added to the top of the
// output folder go. Returns the earlier files that could not be put back; failing to
// remove what the build made goes untold, as a deletion in the clean-up always did.
std::vector<RestoreProblem> RestoreFolders(const JournalRecord& record);

// A journal found at start.
struct UnfinishedBuild {
  std::string journalPath;
  std::optional<JournalRecord> record;  // nullopt: the journal could not be read
  int readError = 0;                    // why, when it could not be opened or read
  std::vector<RestoreProblem> problems;
  bool Restored() const { return record && problems.empty(); }
};

// Every journal in the folder that no running build holds, applied and removed; one that
// cannot be read or applied in full is kept for the next start. The temporary file of a
// write the build was killed in is removed with it, and so are the leftovers of a
// journal that was never complete (nothing was changed yet when it was being written).
std::vector<UnfinishedBuild> RecoverUnfinishedBuilds(const std::string& journalFolder);

}  // namespace orlindo
