// Names follow Access's rules (at most 64 characters, none of . ! ` [ ], no leading
// blank, no control characters, unique without regard to case): readers assume them,
// and libmdb keeps a name in a fixed buffer.
#include "tools/mdb/model_check.h"

#include <set>

#include "platform/failure.h"
#include "platform/unicode.h"

namespace zav::mdb {
namespace {

void CheckName(const std::string& name, const std::string& what) {
  if (name.empty()) Fail(what + " has an empty name");
  if (!IsValidUtf8(name)) Fail(what + " " + Quoted(SanitizeUtf8(name)) + ": name is not valid UTF-8");
  const std::u16string units = Utf8ToUtf16(name);
  if (units.size() > kMaxNameChars) {
    Fail(what + " " + Quoted(name) + ": name is longer than " + std::to_string(kMaxNameChars) +
         " characters");
  }
  if (units.front() == u' ') Fail(what + " " + Quoted(name) + ": name starts with a blank");
  for (char16_t unit : units) {
    if (unit < 0x20 || unit == 0x7F || unit == u'.' || unit == u'!' || unit == u'`' ||
        unit == u'[' || unit == u']') {
      Fail(what + " " + Quoted(name) +
           ": name holds a control character or one of . ! ` [ ]");
    }
  }
}

void CheckValue(const Table& table, std::size_t row, const Column& column, const Value& value) {
  if (std::holds_alternative<std::monostate>(value)) return;
  const bool isLong = std::holds_alternative<std::int32_t>(value);
  if ((column.type == ColumnType::Long) != isLong) {
    Fail(CellPlace(table, row, column) +
         (column.type == ColumnType::Long ? ": a long column takes a whole number or null"
                                          : ": a text or memo column takes text or null"));
  }
  if (isLong) return;
  const std::string& text = std::get<std::string>(value);
  if (!IsValidUtf8(text)) Fail(CellPlace(table, row, column) + ": text is not valid UTF-8");
  if (column.type == ColumnType::Text) {
    const std::size_t chars = Utf8ToUtf16(text).size();
    if (chars > static_cast<std::size_t>(column.textChars)) {
      Fail(CellPlace(table, row, column) + ": text of " + std::to_string(chars) +
           " characters is longer than the column's " + std::to_string(column.textChars));
    }
  }
}

}  // namespace

std::string CellPlace(const Table& table, std::size_t row, const Column& column) {
  return "table " + Quoted(table.name) + ", row " + std::to_string(row + 1) + ", column " +
         Quoted(column.name);
}

void CheckDatabase(const Database& database) {
  std::set<std::string> tableNames{UpperCaseText("MSysObjects")};
  for (const Table& table : database.tables) {
    CheckName(table.name, "a table");
    if (!tableNames.insert(UpperCaseText(table.name)).second) {
      Fail("table " + Quoted(table.name) + ": a table of that name is already in the database");
    }
    const std::string where = "table " + Quoted(table.name);
    if (table.columns.empty()) Fail(where + ": has no columns");
    if (table.columns.size() > kMaxColumns) {
      Fail(where + ": has more than " + std::to_string(kMaxColumns) + " columns");
    }
    std::set<std::string> columnNames;
    for (const Column& column : table.columns) {
      CheckName(column.name, where + ", a column");
      if (!columnNames.insert(UpperCaseText(column.name)).second) {
        Fail(where + ", column " + Quoted(column.name) + ": the table already has a column of that name");
      }
      if (column.type == ColumnType::Text &&
          (column.textChars < 1 || column.textChars > kMaxTextChars)) {
        Fail(where + ", column " + Quoted(column.name) + ": a text column's size must be 1 to " +
             std::to_string(kMaxTextChars));
      }
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
      const Row& row = table.rows[r];
      if (row.size() != table.columns.size()) {
        Fail(where + ", row " + std::to_string(r + 1) + ": has " + std::to_string(row.size()) +
             " values for " + std::to_string(table.columns.size()) + " columns");
      }
      for (std::size_t c = 0; c < row.size(); ++c) CheckValue(table, r, table.columns[c], row[c]);
    }
  }
}

}  // namespace zav::mdb
