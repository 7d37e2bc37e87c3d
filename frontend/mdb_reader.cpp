#include "frontend/mdb_reader.h"

#include <mdbtools.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

struct MdbClose {
  void operator()(MdbHandle* handle) const noexcept { mdb_close(handle); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbClose>;

struct TableFree {
  void operator()(MdbTableDef* table) const noexcept { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableFree>;

// libmdb converts each value into a buffer of this size and cuts what does not fit. Text
// columns hold at most 255 characters, memos typed in Access at most 65,535; a value that
// fills the buffer is reported rather than cut.
constexpr std::size_t kBindSize = std::size_t{256} << 10;

ReadOutcome Refuse(std::string message) {
  ReadOutcome outcome;
  outcome.errorMessage = std::move(message);
  return outcome;
}

bool IsNumberType(int columnType) {
  switch (columnType) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
    case MDB_COMPLEX:
      return true;
    default:
      return false;
  }
}

MdbPtr OpenDatabase(const std::string& openPath) {
  MdbPtr mdb(mdb_open(openPath.c_str(), MDB_NOFLAGS));
  if (mdb) {
    mdb_set_bind_size(mdb.get(), kBindSize);
    // Sortable as text, unlike the locale's form.
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(mdb.get(), "%Y-%m-%d");
    mdb_set_boolean_fmt_numbers(mdb.get());
  }
  return mdb;
}

std::string NotADatabase(const std::string& shownPath) {
  return "ファイル " + zav::Quoted(shownPath) + " は Access のデータベースとして読めません";
}

std::string CatalogUnreadable(const std::string& shownPath) {
  return "データベース " + zav::Quoted(shownPath) + " のテーブル一覧を読めません。ファイルが壊れている可能性があります";
}

MdbCatalogEntry* FindTable(GPtrArray* catalog, const std::string& tableName) {
  for (guint i = 0; i < catalog->len; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
    if (entry != nullptr && entry->object_type == MDB_TABLE &&
        zav::EqualIgnoringCase(entry->object_name, tableName)) {
      return entry;
    }
  }
  return nullptr;
}

}  // namespace

ReadOutcome CheckMdbDatabase(const std::string& openPath, const std::string& shownPath) {
  MdbPtr mdb = OpenDatabase(openPath);
  if (!mdb) return Refuse(NotADatabase(shownPath));
  if (mdb_read_catalog(mdb.get(), MDB_TABLE) == nullptr) return Refuse(CatalogUnreadable(shownPath));
  ReadOutcome outcome;
  outcome.ok = true;
  return outcome;
}

ReadOutcome ReadMdbTable(const std::string& openPath, const std::string& shownPath,
                         const std::string& tableName) {
  MdbPtr mdb = OpenDatabase(openPath);
  if (!mdb) return Refuse(NotADatabase(shownPath));
  GPtrArray* catalog = mdb_read_catalog(mdb.get(), MDB_TABLE);  // owned by the handle
  if (catalog == nullptr) return Refuse(CatalogUnreadable(shownPath));
  MdbCatalogEntry* entry = FindTable(catalog, tableName);
  if (entry == nullptr) {
    return Refuse("テーブル '" + tableName + "' がデータベース " + zav::Quoted(shownPath) + " にありません");
  }
  const std::string unreadable =
      "データベース " + zav::Quoted(shownPath) + " のテーブル '" + tableName + "' を読めません。ファイルが壊れている可能性があります";
  TablePtr table(mdb_read_table(entry));
  if (!table || mdb_read_columns(table.get()) == nullptr) return Refuse(unreadable);

  // Jet tables have at most 255 columns; a larger count is a damaged definition, and a
  // buffer per column would make it a huge allocation.
  if (table->num_cols > MDB_MAX_COLS || table->columns->len != table->num_cols) return Refuse(unreadable);
  ReadOutcome outcome;
  const unsigned columnCount = table->num_cols;
  std::vector<std::vector<char>> values(columnCount, std::vector<char>(kBindSize, '\0'));
  std::vector<int> lengths(columnCount, 0);
  for (unsigned i = 0; i < columnCount; ++i) {
    const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
    outcome.table.columns.push_back({column->name, IsNumberType(column->col_type)});
    if (mdb_bind_column(table.get(), static_cast<int>(i) + 1, values[i].data(), &lengths[i]) < 0) {
      return Refuse(unreadable);
    }
  }

  mdb_rewind_table(table.get());
  while (mdb_fetch_row(table.get())) {
    std::vector<TableCell> row(columnCount);
    for (unsigned i = 0; i < columnCount; ++i) {
      const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
      // libmdb binds NULL as an empty value of length 0; a Yes/No column is never NULL.
      row[i].isNull = column->col_type != MDB_BOOL && column->cur_value_len == 0;
      if (row[i].isNull || column->col_type == MDB_OLE) continue;  // OLE objects have no text
      const std::size_t size = strnlen(values[i].data(), kBindSize);
      if (size >= kBindSize - 1) {
        return Refuse("データベース " + zav::Quoted(shownPath) + " のテーブル '" + tableName + "' の列 '" +
                      column->name + "' に長すぎる値があります");
      }
      row[i].text = zav::SanitizeUtf8(std::string_view(values[i].data(), size));
    }
    outcome.table.rows.push_back(std::move(row));
  }
  // The table definition keeps the number of rows; libmdb stops quietly at a data page
  // it cannot read (a file cut short), and what it returned so far would pass for all.
  if (outcome.table.rows.size() < table->num_rows) {
    return Refuse(unreadable + "（" + std::to_string(table->num_rows) + " 行のうち " +
                  std::to_string(outcome.table.rows.size()) + " 行しか読めません）");
  }
  outcome.ok = true;
  return outcome;
}

}  // namespace orlindo
