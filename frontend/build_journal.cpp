#include "frontend/build_journal.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>
#include <set>
#include <string_view>

#include "frontend/env.h"
#include "frontend/file_cleanup.h"
#include "frontend/parallel_pieces.h"
#include "platform/dir_listing.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/path_text.h"
#include "platform/pending_file.h"
#include "platform/sys_error.h"

namespace orlindo {
namespace {

constexpr std::string_view kJournalMask = "*.journal";
constexpr std::string_view kUnfinishedMask = ".build-*.tmp";
// Files a build may add at the top of the output folder: side files, and the temporary
// library of a compiler that was killed before it could remove it.
constexpr std::string_view kOutputMasks[] = {"*.svgz", ".zavbuild-*.tmp"};
constexpr std::string_view kIndexNames[] = {"LIBSVG.txt", "LIBSVG.txtz"};

const std::string& FolderPath(const JournalRecord& record, BuildFolder folder) {
  return folder == BuildFolder::Svg ? record.svgFolder : record.outFolder;
}

// Absolute, so that a journal applied at a later start from another folder names the
// same files; not normalised, since a "link/.." is not the folder the text names.
std::string AbsoluteFolder(const std::string& folder) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
  return ec ? folder : absolute.string();
}

[[noreturn]] void CannotRead(const std::string& path, int error) {
  zav::Fail("ファイル \"" + zav::AbsolutePathText(path) + "\" を読み込めません。" + zav::SystemErrorText(error));
}

[[noreturn]] void CannotCreate(const std::string& path, int error) {
  zav::Fail("ファイル \"" + zav::AbsolutePathText(path) + "\" を作成できません。" + zav::SystemErrorText(error));
}

// The entry as it is now, reached without a link.
EarlierFile Earlier(BuildFolder folder, EntriesBeneath& entries, const std::string& relative) {
  EarlierFile file{folder, relative, EarlierFile::State::Absent, 0, {}};
  const std::string path = zav::JoinPathText(entries.Folder(), relative);
  struct stat info;
  // Where nothing is there, or the name lies beyond a link, the import writes nothing
  // and the restore finds nothing to remove: it counts as absent. Any other failure to
  // look (a failing disk) leaves the earlier state unknown, and the build stops before
  // it writes: counted as absent, a hand-written file the import then changed would be
  // removed by the restore.
  if (const int error = entries.Look(relative, info); error != 0) {
    if (IsNothingThere(error)) return file;
    CannotRead(path, error);
  }
  if (!S_ISREG(info.st_mode)) {
    file.state = EarlierFile::State::LeftAlone;
    return file;
  }
  file.state = EarlierFile::State::Regular;
  file.mode = info.st_mode & 07777;
  if (const int error = zav::TryReadWholeFile(path, file.bytes); error != 0) CannotRead(path, error);
  return file;
}

// The names at the top of the output folder that a build may add more of.
std::vector<std::string> OutputNames(const std::string& outFolder) {
  std::vector<std::string> names;
  for (const std::string_view mask : kOutputMasks) {
    std::vector<std::string> found;
    ListFiles(found, outFolder, std::string(mask));
    names.insert(names.end(), found.begin(), found.end());
  }
  return names;
}

bool SameAsEarlier(EntriesBeneath& entries, const EarlierFile& earlier) {
  const std::string path = zav::JoinPathText(entries.Folder(), earlier.relative);
  struct stat info;
  if (entries.Look(earlier.relative, info) != 0 || !S_ISREG(info.st_mode) ||
      (info.st_mode & 07777) != earlier.mode || static_cast<std::size_t>(info.st_size) != earlier.bytes.size()) {
    return false;
  }
  std::string now;
  return zav::TryReadWholeFile(path, now) == 0 && now == earlier.bytes;
}

// Written beside it and renamed over it, so that a failure half way cannot leave the
// file damaged, and never through a link. The bytes may be private: nobody else may read
// them before the mode is set. Returns 0 or the errno of the failed step.
int PutBack(EntriesBeneath& entries, const EarlierFile& earlier) {
  if (SameAsEarlier(entries, earlier)) return 0;
  const std::string& folder = entries.Folder();
  zav::PendingFile restored;
  const std::string path = zav::JoinPathText(folder, earlier.relative);
  if (const int error = restored.CreateBeside(path, zav::FileNameOfPath(path), {.mode = 0600, .beneath = folder});
      error != 0) {
    return error;
  }
  if (const int error = zav::TryWriteAll(restored.fd(), earlier.bytes); error != 0) return error;
  if (::fchmod(restored.fd(), static_cast<mode_t>(earlier.mode)) != 0) return errno;
  return restored.Commit();  // on failure the temporary file goes, the file stays as it is
}

// Whether `name` is the temporary file of a write of one of `names` (PendingFile's
// "." name "-" pid "-" serial ".tmp", the form of the import's writes and the restore's).
bool IsTemporaryOf(std::string_view name, const std::set<std::string, std::less<>>& names) {
  if (!name.starts_with('.') || !name.ends_with(".tmp")) return false;
  name = name.substr(1, name.size() - 5);
  for (int part = 0; part < 2; ++part) {
    const std::size_t dash = name.rfind('-');
    if (dash == std::string_view::npos || dash + 1 == name.size() ||
        name.find_first_not_of("0123456789", dash + 1) != std::string_view::npos) {
      return false;
    }
    name = name.substr(0, dash);
  }
  return names.contains(name);
}

// A build killed while it wrote a file leaves that write's temporary file beside it; a
// running build never does (a failed write removes its own), so only a start looks.
void RemoveWriteLeftovers(const JournalRecord& record) {
  // (folder, subfolder below it) -> the names the build wrote there
  std::map<std::pair<std::string, std::string>, std::set<std::string, std::less<>>> written;
  for (const EarlierFile& file : record.files) {
    const std::size_t slash = file.relative.rfind('/');
    const std::string below = slash == std::string::npos ? std::string() : file.relative.substr(0, slash);
    written[{FolderPath(record, file.folder), below}].insert(file.relative.substr(slash + 1));
  }
  std::map<std::string, EntriesBeneath> folders;
  for (const auto& [where, names] : written) {
    const auto& [folder, below] = where;
    EntriesBeneath& beneath = folders.try_emplace(folder, folder).first->second;
    std::vector<zav::DirEntry> entries;
    if (zav::ListFolder(below.empty() ? folder : zav::JoinPathText(folder, below), entries) != zav::ListResult::Listed) {
      continue;
    }
    for (const zav::DirEntry& entry : entries) {
      if (entry.isFile && IsTemporaryOf(entry.name, names)) {
        // A leftover that will not go is only clutter: the files themselves are back.
        static_cast<void>(beneath.RemoveFile(below.empty() ? entry.name : zav::JoinPathText(below, entry.name)));
      }
    }
  }
}

// Unique among the builds of every process, and among journals kept from earlier ones.
std::string UniqueJournalStem() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return "build-" + std::to_string(::getpid()) + "-" +
         std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
}

enum class Claim { Taken, Held, Gone, Unreadable };

// A journal (or its unfinished form) that no running build holds is ours, locked by fd.
Claim ClaimFile(const std::string& path, zav::UniqueFd& fd, int& error) {
  error = zav::TryOpenForReading(path, fd);
  if (error == ENOENT) return Claim::Gone;  // finished by its build meanwhile
  if (error != 0) return Claim::Unreadable;
  return ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 ? Claim::Taken : Claim::Held;
}

int RemoveAndSync(const std::string& path, const std::string& folder) {
  const int error = zav::TryRemoveFile(path);
  if (error == 0) static_cast<void>(zav::TrySyncFolder(folder));
  return error;
}

// The recorded files by folder (which folder, and the subfolder below it), each in the
// record's order; the folders in the order of their first files.
std::vector<std::vector<std::size_t>> FilesByFolder(const JournalRecord& record) {
  std::vector<std::vector<std::size_t>> folders;
  std::map<std::pair<BuildFolder, std::string_view>, std::size_t> folderOf;
  for (std::size_t index = 0; index < record.files.size(); ++index) {
    const std::string_view relative = record.files[index].relative;
    const std::size_t slash = relative.rfind('/');
    const std::string_view below = slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
    const auto [at, isNew] = folderOf.try_emplace({record.files[index].folder, below}, folders.size());
    if (isNew) folders.emplace_back();
    folders[at->second].push_back(index);
  }
  return folders;
}

}  // namespace

BuildJournal BuildJournal::Begin(const std::string& journalFolder, const std::string& svgFolder,
                                 const std::vector<std::string>& svgFiles, const std::string& outFolder) {
  JournalRecord record;
  record.svgFolder = AbsoluteFolder(svgFolder);
  record.outFolder = AbsoluteFolder(outFolder);
  std::set<std::string> seen;
  EntriesBeneath svgEntries(svgFolder), outEntries(outFolder);
  for (const std::string& relative : svgFiles) {
    if (seen.insert(relative).second) record.files.push_back(Earlier(BuildFolder::Svg, svgEntries, relative));
  }
  for (const std::string_view name : kIndexNames) {
    record.files.push_back(Earlier(BuildFolder::Out, outEntries, std::string(name)));
  }
  record.outNames = OutputNames(outFolder);

  MakePrivateFolders(journalFolder);
  const std::string stem = UniqueJournalStem();
  const std::string path = zav::JoinPathText(journalFolder, stem + ".journal");
  // Written under a name no start applies, then renamed: a journal under its own name is
  // always whole. A start that finds the temporary file may remove it, since nothing is
  // changed before the rename has reached the disk.
  const std::string unfinished = zav::JoinPathText(journalFolder, "." + stem + ".tmp");
  zav::UniqueFd lock;
  if (const int error = zav::TryCreateFile(
          unfinished, {.access = zav::FileAccess::Write, .disposition = zav::Disposition::CreateNew, .mode = 0600},
          lock);
      error != 0) {
    CannotCreate(path, error);
  }
  const auto fail = [&](int error) {
    zav::TryRemoveFile(unfinished);
    CannotCreate(path, error);
  };
  if (::flock(lock.get(), LOCK_EX) != 0) fail(errno);
  if (const int error = zav::TryWriteAll(lock.get(), EncodeJournal(record)); error != 0) fail(error);
  if (const int error = zav::TrySyncFile(lock.get()); error != 0) fail(error);
  if (const int error = zav::TryRenameFile(unfinished, path); error != 0) fail(error);
  if (const int error = zav::TrySyncFolder(journalFolder); error != 0) {
    zav::TryRemoveFile(path);
    CannotCreate(path, error);
  }
  return BuildJournal(path, std::move(record), std::move(lock));
}

std::vector<RestoreProblem> BuildJournal::Restore() {
  if (!restored_) {
    restored_ = RestoreFolders(record_);
    // A journal that stays would be applied again at the next start, over whatever the
    // user changed meanwhile: one that will not go is told like a file not put back.
    if (restored_->empty()) {
      if (const int error = RemoveAndSync(path_, zav::FolderOfPath(path_)); error != 0 && error != ENOENT) {
        restored_->push_back({path_, error});
      }
    }
    lock_ = zav::UniqueFd();
  }
  return *restored_;
}

std::vector<RestoreProblem> RestoreFolders(const JournalRecord& record) {
  // One piece per folder of the recorded files, and one for the side files at the top
  // of the output folder, last. Those are thousands in one folder: with more than one
  // thread they are taken first, so that they are never the last piece left running.
  const std::vector<std::vector<std::size_t>> folders = FilesByFolder(record);
  std::vector<std::vector<RestoreProblem>> found(folders.size() + 1);
  const std::size_t sidePiece = folders.size();
  const unsigned threads = PieceThreads();
  ForEachPiece(folders.size() + 1, [&](std::size_t taken) {
    const std::size_t piece = threads == 1 ? taken : taken == 0 ? sidePiece : taken - 1;
    if (piece == sidePiece) {
      const std::set<std::string> earlier(record.outNames.begin(), record.outNames.end());
      for (auto& [path, error] : DeleteFiles(record.outFolder, kOutputMasks, earlier)) {
        found[piece].push_back({std::move(path), error});
      }
      return;
    }
    const std::vector<std::size_t>& files = folders[piece];
    EntriesBeneath entries(FolderPath(record, record.files[files.front()].folder));
    for (const std::size_t index : files) {
      const EarlierFile& file = record.files[index];
      int error = 0;
      switch (file.state) {
        case EarlierFile::State::Absent:
          // What the build made and could not remove is told, and tried again at the next start.
          error = entries.RemoveFile(file.relative);
          break;
        case EarlierFile::State::Regular:
          error = PutBack(entries, file);
          break;
        case EarlierFile::State::LeftAlone:
          break;
      }
      if (error != 0) found[piece].push_back({zav::JoinPathText(entries.Folder(), file.relative), error});
    }
  }, threads);
  std::vector<RestoreProblem> problems;
  for (std::vector<RestoreProblem>& piece : found) {
    std::move(piece.begin(), piece.end(), std::back_inserter(problems));
  }
  return problems;
}

std::vector<UnfinishedBuild> RecoverUnfinishedBuilds(const std::string& journalFolder) {
  std::vector<UnfinishedBuild> found;
  std::vector<std::string> names;
  ListFiles(names, journalFolder, std::string(kUnfinishedMask));
  for (const std::string& name : names) {
    const std::string path = zav::JoinPathText(journalFolder, name);
    zav::UniqueFd fd;
    int error = 0;
    if (ClaimFile(path, fd, error) == Claim::Taken) zav::TryRemoveFile(path);
  }

  ListFiles(names, journalFolder, std::string(kJournalMask));
  for (const std::string& name : names) {
    UnfinishedBuild build;
    build.journalPath = zav::JoinPathText(journalFolder, name);
    zav::UniqueFd fd;
    const Claim claim = ClaimFile(build.journalPath, fd, build.readError);
    if (claim == Claim::Held || claim == Claim::Gone) continue;
    std::string bytes;
    if (claim == Claim::Taken) build.readError = zav::TryReadAll(fd.get(), bytes);
    if (build.readError == 0) build.record = DecodeJournal(bytes);
    if (build.record) {
      RemoveWriteLeftovers(*build.record);
      build.problems = RestoreFolders(*build.record);
      if (build.problems.empty()) RemoveAndSync(build.journalPath, journalFolder);
    }
    found.push_back(std::move(build));
  }
  return found;
}

}  // namespace orlindo
