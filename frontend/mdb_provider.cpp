#include "frontend/mdb_provider.h"

#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <numeric>
#include <string_view>

#include "frontend/child_run.h"
#include "platform/failure.h"
#include "frontend/mdb_reader.h"
#include "platform/sys_error.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

[[noreturn]] void Fail(std::string message) {
  throw zav::Failure(zav::ErrorKind::General, std::move(message));
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && zav::EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// ---- connection string -------------------------------------------------------------

constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";
constexpr std::array<std::string_view, 7> kKnownKeys = {
    "Provider", "User ID", "Password", "Data Source", "Mode", "Extended Properties",
    "Persist Security Info"};

// Whether text starts with "<known key>=", the sign that a ";" before it ended a value.
bool StartsKnownKey(std::string_view text) {
  const std::size_t end = text.find_first_of(";=");
  if (end == std::string_view::npos || text[end] != '=') return false;
  const std::string_view key = Trimmed(text.substr(0, end));
  if (StartsWithIgnoringCase(key, "Jet OLEDB:")) return true;
  return std::any_of(kKnownKeys.begin(), kKnownKeys.end(),
                     [&](std::string_view known) { return zav::EqualIgnoringCase(key, known); });
}

struct KeyValue {
  std::string key;
  std::string value;
};

std::vector<KeyValue> SplitConnectionString(const std::string& text) {
  std::vector<KeyValue> pairs;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ';' || IsBlank(text[pos])) {
      ++pos;
      continue;
    }
    const std::size_t equals = text.find('=', pos);
    if (equals == std::string::npos) Fail("接続文字列を解釈できません: " + text);
    KeyValue pair{std::string(Trimmed(std::string_view(text).substr(pos, equals - pos))), {}};
    pos = equals + 1;
    if (pos < text.size() && (text[pos] == '"' || text[pos] == '\'')) {
      // Quoted: a doubled quote stands for one; what follows up to ";" is ignored.
      const char quote = text[pos++];
      for (;;) {
        if (pos >= text.size()) Fail("接続文字列の引用符が閉じていません: " + text);
        if (text[pos] == quote) {
          if (pos + 1 < text.size() && text[pos + 1] == quote) {
            pair.value += quote;
            pos += 2;
            continue;
          }
          ++pos;
          break;
        }
        pair.value += text[pos++];
      }
      pos = std::min(text.find(';', pos), text.size());
    } else {
      std::size_t end = text.find(';', pos);
      while (end != std::string::npos && !StartsKnownKey(std::string_view(text).substr(end + 1))) {
        end = text.find(';', end + 1);
      }
      if (end == std::string::npos) end = text.size();
      pair.value = text.substr(pos, end - pos);
      pos = end;
    }
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

// ---- query text ---------------------------------------------------------------------

class QueryScanner {
 public:
  explicit QueryScanner(std::string_view text) : rest_(text) {}

  bool Keyword(std::string_view word) {
    SkipBlanks();
    if (!StartsWithIgnoringCase(rest_, word)) return false;
    if (rest_.size() > word.size() && IsNameChar(rest_[word.size()])) return false;
    rest_.remove_prefix(word.size());
    return true;
  }
  bool Symbol(char c) {
    SkipBlanks();
    if (rest_.empty() || rest_.front() != c) return false;
    rest_.remove_prefix(1);
    return true;
  }
  // A plain name or one in square brackets; empty when there is none.
  std::string Name() {
    SkipBlanks();
    if (!rest_.empty() && rest_.front() == '[') {
      const std::size_t close = rest_.find(']');
      if (close == std::string_view::npos) return {};
      std::string name(rest_.substr(1, close - 1));
      rest_.remove_prefix(close + 1);
      return name;
    }
    std::size_t length = 0;
    while (length < rest_.size() && IsNameChar(rest_[length])) ++length;
    std::string name(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return name;
  }
  bool AtEnd() {
    SkipBlanks();
    return rest_.empty();
  }

 private:
  static bool IsNameChar(char c) {
    return !IsBlank(c) && std::string_view(";,()[]*=<>'\"").find(c) == std::string_view::npos;
  }
  void SkipBlanks() {
    while (!rest_.empty() && IsBlank(rest_.front())) rest_.remove_prefix(1);
  }
  std::string_view rest_;
};

[[noreturn]] void Unsupported(const std::string& commandText, const std::string& why) {
  Fail("SQL 文 " + Quoted(commandText) + " は実行できません。" + why);
}

// ---- ordering -----------------------------------------------------------------------

double NumberOf(const std::string& text) {
  double value = 0;
  const char* first = text.data();
  if (!text.empty() && text.front() == '+') ++first;
  std::from_chars(first, text.data() + text.size(), value);
  return value;
}

// ---- running the reader -------------------------------------------------------------

std::string SignalName(int signal) {
  const char* abbreviation = sigabbrev_np(signal);
  return abbreviation != nullptr ? "SIG" + std::string(abbreviation) : std::to_string(signal);
}

std::string SecondsText(std::chrono::milliseconds limit) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(limit.count()) / 1000.0);
  return text;
}

// Runs read in a child and returns its table; every way the child can fail becomes a
// message naming the database.
TableData RunReader(const std::function<ReadOutcome()>& read, const std::string& shownPath,
                    std::chrono::milliseconds limit) {
  const ChildResult child = RunInChild(
      [&read] {
        // libmdb prints numbers with the C library's locale; keep them in one form.
        std::setlocale(LC_NUMERIC, "C");
        return EncodeOutcome(read());
      },
      limit);
  const std::string cannotRead = "データベース " + Quoted(shownPath) + " を読み込めません。";
  const std::string damaged = "ファイルが壊れている可能性があります";
  switch (child.status) {
    case ChildResult::Status::Completed:
      break;
    case ChildResult::Status::Signalled:
      Fail(cannotRead + damaged + "（読み込み処理が " + SignalName(child.detail) + " で異常終了しました）");
    case ChildResult::Status::ExitedWithError:
      Fail(cannotRead + damaged + "（読み込み処理が終了コード " + std::to_string(child.detail) +
           " で異常終了しました）");
    case ChildResult::Status::TimedOut:
      Fail(cannotRead + SecondsText(limit) + " 秒以内に読み終わりませんでした。" + damaged);
    case ChildResult::Status::TooMuchOutput:
      Fail(cannotRead + "読み込んだデータが大きすぎます。" + damaged);
    case ChildResult::Status::NotStarted:
      Fail(cannotRead + zav::SystemErrorText(child.detail));
  }
  std::optional<ReadOutcome> outcome = DecodeOutcome(child.output);
  if (!outcome) Fail(cannotRead + damaged + "（読み込み処理の結果が不完全です）");
  if (!outcome->ok) Fail(outcome->errorMessage);
  return std::move(outcome->table);
}

}  // namespace

std::string DataSourceOf(const std::string& connectionString) {
  const std::vector<KeyValue> pairs = SplitConnectionString(connectionString);
  const std::string* dataSource = nullptr;
  for (const KeyValue& pair : pairs) {
    if (zav::EqualIgnoringCase(pair.key, "Provider") &&
        !zav::EqualIgnoringCase(Trimmed(pair.value), kJetProvider)) {
      Fail("プロバイダ '" + pair.value + "' には対応していません");
    }
    if (zav::EqualIgnoringCase(pair.key, "Data Source")) dataSource = &pair.value;
  }
  if (dataSource == nullptr || dataSource->empty()) {
    Fail("接続文字列にデータベースファイル (Data Source) がありません");
  }
  return *dataSource;
}

TableQuery ParseTableQuery(const std::string& commandText) {
  QueryScanner scan(commandText);
  const std::string form = "使えるのは SELECT * FROM テーブル [ORDER BY 列] の形だけです";
  if (!scan.Keyword("SELECT") || !scan.Symbol('*') || !scan.Keyword("FROM")) {
    Unsupported(commandText, form);
  }
  TableQuery query;
  query.table = scan.Name();
  if (query.table.empty()) Unsupported(commandText, "テーブル名がありません");
  if (scan.Keyword("WHERE")) Unsupported(commandText, "WHERE 句には対応していません");
  if (scan.Keyword("ORDER")) {
    if (!scan.Keyword("BY")) Unsupported(commandText, form);
    query.orderColumn = scan.Name();
    if (query.orderColumn.empty()) Unsupported(commandText, "ORDER BY の列名がありません");
    if (scan.Keyword("DESC")) Unsupported(commandText, "並べ替えは昇順だけに対応しています");
    scan.Keyword("ASC");
    if (scan.Symbol(',')) Unsupported(commandText, "並べ替えの列は一つだけに対応しています");
  }
  scan.Symbol(';');
  if (!scan.AtEnd()) Unsupported(commandText, form);
  return query;
}

void SortRows(TableData& table, std::size_t column) {
  const bool byNumber = table.columns[column].isNumber;
  struct Key {
    bool isNull;
    double number;
    std::string text;
  };
  std::vector<Key> keys;
  keys.reserve(table.rows.size());
  for (const auto& row : table.rows) {
    const TableCell& cell = row[column];
    keys.push_back({cell.isNull, byNumber ? NumberOf(cell.text) : 0.0,
                    byNumber ? std::string() : zav::UpperCaseText(cell.text)});
  }
  std::vector<std::size_t> order(table.rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const Key& left = keys[a];
    const Key& right = keys[b];
    if (left.isNull != right.isNull) return left.isNull;
    if (byNumber) return left.number < right.number;
    return left.text < right.text;
  });
  std::vector<std::vector<TableCell>> sorted;
  sorted.reserve(order.size());
  for (std::size_t index : order) sorted.push_back(std::move(table.rows[index]));
  table.rows = std::move(sorted);
}

MdbDatabase MdbDatabase::Open(const std::string& connectionString, std::chrono::milliseconds limit) {
  const std::string path = DataSourceOf(connectionString);
  const std::string shown = zav::AbsolutePathText(path);
  zav::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR) Fail("ファイル " + Quoted(shown) + " が見つかりません");
    Fail("ファイル " + Quoted(shown) + " を開けません。" + zav::SystemErrorText(error));
  }
  struct stat info;
  if (::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    Fail("ファイル " + Quoted(shown) + " が見つかりません");
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
      Fail("並べ替えの列 '" + query.orderColumn + "' がテーブル '" + query.table + "' にありません");
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
