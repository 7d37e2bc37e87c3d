#include "frontend/import.h"

#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "frontend/background_work.h"
#include "frontend/file_cleanup.h"
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

// The rows that name each descriptor file, in row order, by the first such row.
std::map<std::size_t, std::vector<std::size_t>> RowsByFirstRow(const std::vector<DescriptorValues>& descriptors) {
  std::map<std::size_t, std::vector<std::size_t>> rows;
  std::unordered_map<std::string_view, std::size_t> firstRow;
  for (std::size_t row = 0; row < descriptors.size(); ++row) {
    const auto [at, isNew] = firstRow.try_emplace(descriptors[row].relative, row);
    rows[at->second].push_back(row);
  }
  return rows;
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
  EntriesBeneath entries(svgFolder);
  {
    // The provider has one kind of dataset: client-side, fetched whole, read-only, which
    // covers the keyset cursor, optimistic locking and text command asked for here.
    Dataset dataset(ADOConnectionMain);
    OpenTable(dataset, "T_main", "", "ORDER BY ID");
    dataset.First();
    const int rowCount = dataset.RecordCount();
    for (int row = 0; row < rowCount; ++row) {
      const std::string svgName = SvgNameFromField(dataset.FieldByName("svgname"));
      const std::string svgPath = zav::JoinPathText(svgFolder, svgName + ".svg");
      const std::optional<std::string> descriptor = DescriptorNameOf(svgName);
      if (!descriptor || !zav::IsExistingFile(svgPath)) {
        plan.missing.push_back(svgPath);
      } else if (RefusalOf(entries, *descriptor) != 0) {
        plan.refused.push_back(zav::JoinPathText(svgFolder, *descriptor));
      } else {
        std::string category = OneLine(dataset.FieldByName("category"));
        plan.descriptors.push_back({*descriptor, std::move(category), OneLine(dataset.FieldByName("caption"))});
      }
      dataset.Next();
    }
    dataset.Close();
  }
  ADOConnectionMain.Close();

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
  // compiler has read them.
  const std::size_t total = plan.descriptors.size();
  const std::map<std::size_t, std::vector<std::size_t>> rowsByFile = RowsByFirstRow(plan.descriptors);
  std::vector<zav::ProfileKeyWrite> writes;
  std::size_t done = 0;
  for (const auto& [firstRow, rows] : rowsByFile) {
    ThrowIfStopRequested();
    writes.clear();
    for (const std::size_t row : rows) {
      writes.push_back({"INFO", "CATEGORY", plan.descriptors[row].category});
      writes.push_back({"INFO", "CAPTION", plan.descriptors[row].caption});
    }
    const std::string path = zav::JoinPathText(plan.svgFolder, plan.descriptors[firstRow].relative);
    if (!zav::WritePrivateProfileStrings(writes, path)) zav::Fail(path + " に書き込めません");
    done += rows.size();
    if (progress) progress(done, total);
  }
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
