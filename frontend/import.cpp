#include "frontend/import.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "frontend/background_work.h"
#include "frontend/file_cleanup.h"
#include "frontend/parallel_pieces.h"
#include "frontend/stop_signals.h"
#include "platform/codepage.h"
#include "platform/dir_listing.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/path_text.h"
#include "platform/private_profile.h"
#include "platform/sys_error.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

constexpr const char* kCopyrightName = "copyright.txt";

std::string Text(const View& view, Field field) { return view.FieldText(field).toStdString(); }

// 0 where the import may write `relative` below the SVG folder: nothing there yet, or a
// regular file reached without a link. Otherwise why not. Other failures to look are
// left to the write, which reports them as it always did.
int RefusalOf(EntriesBeneath& svgFolder, const std::string& relative) {
  struct stat info;
  const int error = svgFolder.Look(relative, info);
  if (error == zav::kThroughSymbolicLink || error == zav::kOutsideFolder) return error;
  if (error != 0) return 0;
  if (S_ISLNK(info.st_mode)) return zav::kIsSymbolicLink;
  if (S_ISDIR(info.st_mode)) return EISDIR;
  return S_ISREG(info.st_mode) ? 0 : zav::kNotRegularFile;
}

[[noreturn]] void CannotCreateCopyright(const std::string& path, int error) {
  zav::Fail("ファイル \"" + zav::AbsolutePathText(path) + "\" を作成できません。" + zav::SystemErrorText(error));
}

QString FileListText(const QString& heading, const std::vector<std::string>& paths) {
  QString text = heading;
  text += QStringLiteral("\r\r");
  for (const std::string& path : paths) {
    text += QString::fromStdString(path);
    text += QStringLiteral("\r\n");
  }
  return text;
}

// One folder's descriptor files, each as the rows that name it (in row order), the files
// in the order of their first rows.
struct FolderFiles {
  std::vector<std::vector<std::size_t>> files;
};

// The folders in the order of their first files' first rows.
std::vector<FolderFiles> FilesByFolder(const std::vector<DescriptorValues>& descriptors) {
  std::vector<FolderFiles> folders;
  std::unordered_map<std::string_view, std::size_t> folderOf;  // folder part -> index in folders
  std::unordered_map<std::string_view, std::pair<std::size_t, std::size_t>> fileOf;  // -> (folder, file)
  for (std::size_t row = 0; row < descriptors.size(); ++row) {
    const std::string_view relative = descriptors[row].relative;
    if (const auto known = fileOf.find(relative); known != fileOf.end()) {
      folders[known->second.first].files[known->second.second].push_back(row);
      continue;
    }
    const std::size_t slash = relative.rfind('/');
    const std::string_view below = slash == std::string_view::npos ? std::string_view() : relative.substr(0, slash);
    const auto [at, isNew] = folderOf.try_emplace(below, folders.size());
    if (isNew) folders.emplace_back();
    FolderFiles& folder = folders[at->second];
    fileOf.emplace(relative, std::pair{at->second, folder.files.size()});
    folder.files.push_back({row});
  }
  return folders;
}

// A row's files, and what the import does with them.
struct RowFiles {
  enum class Verdict { Write, Missing, Refused };
  std::string svgPath;
  std::optional<std::string> descriptor;  // none: the svgname names no symbol file of its own
  Verdict verdict = Verdict::Write;
};

// Whether each row's symbol is there and its descriptor may be written. Thousands of
// looks at the disk: the rows go in a few runs of consecutive rows side by side, each
// with its own folders opened.
void LookAtRowFiles(const std::string& svgFolder, std::vector<RowFiles>& rows) {
  const std::size_t pieces = std::min<std::size_t>(PieceThreads(), rows.size());
  ForEachPiece(pieces, [&](std::size_t piece) {
    EntriesBeneath entries(svgFolder);
    const std::size_t end = rows.size() * (piece + 1) / pieces;
    for (std::size_t at = rows.size() * piece / pieces; at < end; ++at) {
      RowFiles& row = rows[at];
      if (!row.descriptor || !zav::IsExistingFile(row.svgPath)) {
        row.verdict = RowFiles::Verdict::Missing;
      } else if (RefusalOf(entries, *row.descriptor) != 0) {
        row.verdict = RowFiles::Verdict::Refused;
      }
    }
  }, static_cast<unsigned>(pieces));
}

}  // namespace

std::string OneLine(std::string_view value) {
  std::string line;
  line.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r' || value[i] == '\n') {
      if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += value[i];
    }
  }
  return line;
}

void WriteCopyrightFile(const std::string& svgFolder, const std::string& copyright) {
  const std::string path = zav::JoinPathText(svgFolder, kCopyrightName);
  std::string bytes;
  if (zav::AnsiCodePageHasMark()) bytes += zav::kUtf8Mark;
  bytes += zav::EncodeAnsi(copyright);
  bytes += "\r\n";

  zav::UniqueFd file;
  if (const int error = zav::TryCreateFile(path, {.disposition = zav::Disposition::CreateAlways}, file);
      error != 0) {
    CannotCreateCopyright(path, error);
  }
  const auto cannotWrite = [&path](int error) {
    zav::Fail("ファイル \"" + zav::AbsolutePathText(path) + "\" に書き込めません。" + zav::SystemErrorText(error));
  };
  if (const int error = zav::TryWriteAll(file.get(), bytes); error != 0) cannotWrite(error);
  if (const int error = file.Close(); error != 0) cannotWrite(error);
}

QString MissingFilesText(const std::vector<std::string>& missing) {
  return FileListText(QStringLiteral("次のファイルが見つかりませんでした"), missing);
}

QString RefusedFilesText(const std::vector<std::string>& refused) {
  return FileListText(QStringLiteral("次のファイルはリンクか通常のファイルではないため、書き込みませんでした"), refused);
}

std::vector<std::string> ImportPlan::Files() const {
  std::vector<std::string> files;
  std::set<std::string> seen;
  for (const DescriptorValues& descriptor : descriptors) {
    if (seen.insert(descriptor.relative).second) files.push_back(descriptor.relative);
  }
  files.push_back(kCopyrightName);
  return files;
}

ImportPlan PlanImport(const std::string& databasePath, const std::string& svgFolder,
                      Connection& ADOConnectionMain) {
  if (ConnectDatabase(databasePath, "", "", ADOConnectionMain) == -1) {
    // The file went away after the input checks. Going on would read the database of an
    // earlier import through the connection string it left behind.
    zav::Fail("ファイル \"" + zav::AbsolutePathText(databasePath) + "\" が見つかりません");
  }

  ImportPlan plan;
  plan.svgFolder = svgFolder;
  {
    // The provider has one kind of dataset: client-side, fetched whole, read-only, which
    // covers the keyset cursor, optimistic locking and text command asked for here.
    Dataset dataset(ADOConnectionMain);
    OpenTable(dataset, "T_main", "", "ORDER BY ID");
    const auto rowCount = static_cast<std::size_t>(std::max(dataset.RecordCount(), 0));
    std::vector<RowFiles> rows(rowCount);
    dataset.First();
    for (RowFiles& row : rows) {
      const std::string svgName = SvgNameFromField(dataset.FieldByName("svgname"));
      row.svgPath = zav::JoinPathText(svgFolder, svgName + ".svg");
      row.descriptor = DescriptorNameOf(svgName);
      dataset.Next();
    }
    LookAtRowFiles(svgFolder, rows);
    // The other two fields are read only for the rows written, in row order, as they
    // always were: a column that is missing fails the import only where it is needed.
    dataset.First();
    for (RowFiles& row : rows) {
      switch (row.verdict) {
        case RowFiles::Verdict::Missing:
          plan.missing.push_back(std::move(row.svgPath));
          break;
        case RowFiles::Verdict::Refused:
          plan.refused.push_back(zav::JoinPathText(svgFolder, *row.descriptor));
          break;
        case RowFiles::Verdict::Write: {
          std::string category = OneLine(dataset.FieldByName("category"));
          plan.descriptors.push_back({std::move(*row.descriptor), std::move(category),
                                      OneLine(dataset.FieldByName("caption"))});
          break;
        }
      }
      dataset.Next();
    }
    dataset.Close();
  }
  ADOConnectionMain.Close();

  EntriesBeneath entries(svgFolder);
  if (const int refusal = RefusalOf(entries, kCopyrightName); refusal != 0) {
    CannotCreateCopyright(zav::JoinPathText(svgFolder, kCopyrightName), refusal);
  }
  return plan;
}

void WriteImport(const ImportPlan& plan, const std::string& copyright, const ImportProgress& progress) {
  // Each descriptor file is written once, with the keys of every row that names it, in
  // row order: the bytes that a profile write per key leave, without reading and
  // replacing the file twice a row. Nothing is forced to the disk: the build journal,
  // already on the disk, puts every file back after a crash, and the files go once the
  // compiler has read them. A folder's files are one piece of work, the folder opened
  // once for them; the folders go side by side (parallel_pieces.h).
  const std::size_t total = plan.descriptors.size();
  const std::vector<FolderFiles> folders = FilesByFolder(plan.descriptors);
  std::atomic<std::size_t> done{0};
  ForEachPiece(folders.size(), [&](std::size_t piece) {
    const FolderFiles& folder = folders[piece];
    zav::UniqueFd folderFd;
    std::string name;
    const std::string firstPath =
        zav::JoinPathText(plan.svgFolder, plan.descriptors[folder.files.front().front()].relative);
    // Where the folder will not open so, each file goes the general way, which words
    // the failure as it always did.
    const bool opened = zav::TryOpenFolderOf(firstPath, plan.svgFolder, folderFd, name) == 0;
    std::vector<zav::ProfileKeyWrite> writes;
    for (const std::vector<std::size_t>& rows : folder.files) {
      ThrowIfStopRequested();
      writes.clear();
      for (const std::size_t row : rows) {
        writes.push_back({"INFO", "CATEGORY", plan.descriptors[row].category});
        writes.push_back({"INFO", "CAPTION", plan.descriptors[row].caption});
      }
      const std::string path = zav::JoinPathText(plan.svgFolder, plan.descriptors[rows.front()].relative);
      const bool written = opened ? zav::WritePrivateProfileStringsIn(folderFd.get(), zav::FileNameOfPath(path),
                                                                      writes, path)
                                  : zav::WritePrivateProfileStrings(writes, path);
      if (!written) zav::Fail(path + " に書き込めません");
      const std::size_t now = done.fetch_add(rows.size()) + rows.size();
      if (progress) progress(now, total);
    }
  });
  ThrowIfStopRequested();
  WriteCopyrightFile(plan.svgFolder, copyright);
}

// The reading and the writing run off the window's thread; the fields are read on it,
// each when its step begins, and the warnings are shown from it.
void ImportDefinitions(View& view, Dialogs& dialogs, Connection& ADOConnectionMain,
                       const std::function<void(const ImportPlan&)>& beforeWriting) {
  view.SetStatusText(QStringLiteral("データベースに接続中.."));
  // On this thread: the read forks the database child, and a child forked while this
  // thread is inside the allocator or a library's lock inherits the lock held and waits
  // on it until its time limit. Here, between events, no lock is held.
  const ImportPlan plan = PlanImport(Text(view, Field::Kihonmdb), Text(view, Field::SVGFolder), ADOConnectionMain);
  if (beforeWriting) beforeWriting(plan);
  ProgressRelay progress(view, QStringLiteral("インポート中"), plan.descriptors.size());
  RunInBackground([&, copyright = Text(view, Field::Copyright), report = progress.Callback()] {
    WriteImport(plan, copyright, report);
  });

  if (!plan.missing.empty()) dialogs.Show(Notice::Warning, MissingFilesText(plan.missing));
  if (!plan.refused.empty()) dialogs.Show(Notice::Warning, RefusedFilesText(plan.refused));
  view.SetStatusText(QStringLiteral("処理完了."));
}

}  // namespace orlindo
