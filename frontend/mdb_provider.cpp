#include "frontend/mdb_provider.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <functional>
#include <optional>

#include "frontend/child_run.h"
#include "frontend/connection_string.h"
#include "frontend/mdb_reader.h"
#include "frontend/query_text.h"
#include "frontend/row_order.h"
#include "frontend/stop_signals.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/sys_error.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

std::string SecondsText(std::chrono::milliseconds limit) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(limit.count()) / 1000.0);
  return text;
}

// The first line libmdb printed, for the message.
std::string FirstLine(const std::string& text) {
  const std::size_t start = text.find_first_not_of("\r\n");
  if (start == std::string::npos) return {};
  const std::size_t end = text.find_first_of("\r\n", start);
  return zav::SanitizeUtf8(text.substr(start, end == std::string::npos ? end : end - start));
}

// Runs read in a child and returns its table; every way the child can fail becomes a
// message naming the database.
TableData RunReader(const std::function<ReadOutcome()>& read, const std::string& shownPath,
                    std::chrono::milliseconds limit) {
  const ChildResult child = RunInChild(
      [&read] {
        // libmdb prints numbers with the C library's locale; keep them in one form. Its
        // debugging options would print on standard error, which is read as damage.
        std::setlocale(LC_NUMERIC, "C");
        ::unsetenv("MDBOPTS");
        return EncodeOutcome(read());
      },
      limit, StopRequestFd());
  const std::string cannotRead = "データベース " + zav::Quoted(shownPath) + " を読み込めません。";
  const std::string damaged = "ファイルが壊れている可能性があります";
  switch (child.status) {
    case ChildResult::Status::Completed:
      break;
    case ChildResult::Status::Stopped:
      ThrowIfStopRequested();
      zav::Fail(cannotRead);
    case ChildResult::Status::Signalled:
      zav::Fail(cannotRead + damaged + "（読み込み処理が " + SignalName(child.detail) + " で異常終了しました）");
    case ChildResult::Status::ExitedWithError:
      zav::Fail(cannotRead + damaged + "（読み込み処理が終了コード " + std::to_string(child.detail) +
                " で異常終了しました）");
    case ChildResult::Status::TimedOut:
      zav::Fail(cannotRead + SecondsText(limit) + " 秒以内に読み終わりませんでした。" + damaged);
    case ChildResult::Status::TooMuchOutput:
      zav::Fail(cannotRead + "読み込んだデータが大きすぎます。" + damaged);
    case ChildResult::Status::NotStarted:
      zav::Fail(cannotRead + zav::SystemErrorText(child.detail));
  }
  std::optional<ReadOutcome> outcome = DecodeOutcome(child.output);
  if (!outcome) zav::Fail(cannotRead + damaged + "（読み込み処理の結果が不完全です）");
  if (!outcome->ok) zav::Fail(outcome->errorMessage);
  // libmdb reads past a page it cannot make sense of, telling only standard error: the
  // rows it returns then lack some or hold wrong values.
  if (!child.diagnostics.empty()) {
    zav::Fail(cannotRead + damaged + "（libmdb: " + FirstLine(child.diagnostics) + "）");
  }
  return std::move(outcome->table);
}

}  // namespace

MdbDatabase MdbDatabase::Open(const std::string& connectionString, std::chrono::milliseconds limit) {
  const std::string path = DataSourceOf(connectionString);
  const std::string shown = zav::AbsolutePathText(path);
  zav::UniqueFd file;
  if (const int error = zav::TryOpenForReading(path, file); error != 0) {
    if (error == ENOENT || error == ENOTDIR) zav::Fail("ファイル " + zav::Quoted(shown) + " が見つかりません");
    zav::Fail("ファイル " + zav::Quoted(shown) + " を開けません。" + zav::SystemErrorText(error));
  }
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    zav::Fail("ファイル " + zav::Quoted(shown) + " が見つかりません");
  }
  MdbDatabase database(shown, std::move(file));
  const std::string openPath = database.OpenPath();
  RunReader([&] { return CheckMdbDatabase(openPath, shown); }, shown, limit);
  return database;
}

RowSet MdbDatabase::Query(const std::string& commandText, std::chrono::milliseconds limit) const {
  const TableQuery query = ParseTableQuery(commandText);
  const std::string openPath = OpenPath();
  TableData table = RunReader([&] { return ReadMdbTable(openPath, pathText_, query.table); },
                              pathText_, limit);
  if (!query.orderColumn.empty()) {
    const auto found = std::find_if(table.columns.begin(), table.columns.end(), [&](const TableColumn& c) {
      return zav::EqualIgnoringCase(c.name, query.orderColumn);
    });
    if (found == table.columns.end()) {
      zav::Fail("並べ替えの列 '" + query.orderColumn + "' がテーブル '" + query.table + "' にありません");
    }
    SortRows(table, static_cast<std::size_t>(found - table.columns.begin()));
  }
  RowSet rows;
  for (TableColumn& column : table.columns) rows.columnNames.push_back(std::move(column.name));
  rows.rows.reserve(table.rows.size());
  for (auto& row : table.rows) {
    std::vector<std::string> texts;
    texts.reserve(row.size());
    for (TableCell& cell : row) texts.push_back(std::move(cell.text));
    rows.rows.push_back(std::move(texts));
  }
  return rows;
}

std::string MdbDatabase::OpenPath() const {
  // The child reads the very file this object holds open, through its descriptor.
  const std::string byDescriptor = "/proc/self/fd/" + std::to_string(file_.get());
  return ::access("/proc/self/fd", F_OK) == 0 ? byDescriptor : pathText_;
}

}  // namespace orlindo
