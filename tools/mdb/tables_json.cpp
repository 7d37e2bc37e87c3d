// Strict on purpose: an unknown key is far more often a typo ("colums") than intent,
// and a fixture that silently loses a column fails somewhere far from the cause.
#include "tools/mdb/tables_json.h"

#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "platform/failure.h"

namespace zav::mdb {
namespace {

using nlohmann::json;

void OnlyKeys(const json& object, const std::set<std::string>& allowed, const std::string& where) {
  for (const auto& item : object.items()) {
    if (!allowed.contains(item.key())) Fail(where + ": unknown key \"" + item.key() + "\"");
  }
}

const json& Member(const json& object, const char* key, json::value_t type, const char* typeName,
                   const std::string& where) {
  const auto it = object.find(key);
  if (it == object.end()) Fail(where + ": \"" + key + "\" is missing");
  if (it->type() != type) Fail(where + ": \"" + key + "\" must be " + typeName);
  return *it;
}

ColumnType TypeNamed(const std::string& name, const std::string& where) {
  if (name == "long") return ColumnType::Long;
  if (name == "text") return ColumnType::Text;
  if (name == "memo") return ColumnType::Memo;
  Fail(where + ": unknown type \"" + name + "\" (long, text or memo)");
}

Column ParseColumn(const json& item, const std::string& where) {
  if (!item.is_object()) Fail(where + ": must be an object");
  OnlyKeys(item, {"name", "type", "size"}, where);
  Column column;
  column.name = Member(item, "name", json::value_t::string, "a string", where).get<std::string>();
  column.type = TypeNamed(Member(item, "type", json::value_t::string, "a string", where).get<std::string>(), where);
  if (const auto size = item.find("size"); size != item.end()) {
    if (column.type != ColumnType::Text) Fail(where + ": only a text column has a size");
    if (!size->is_number_integer() || size->get<std::int64_t>() < 1 ||
        size->get<std::int64_t>() > kMaxTextChars) {
      Fail(where + ": \"size\" must be a whole number from 1 to " + std::to_string(kMaxTextChars));
    }
    column.textChars = size->get<int>();
  }
  return column;
}

Value ParseValue(const json& item, const std::string& where) {
  if (item.is_null()) return std::monostate{};
  if (item.is_string()) return item.get<std::string>();
  if (item.is_number_integer()) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    if (item.is_number_unsigned() ? item.get<std::uint64_t>() > static_cast<std::uint64_t>(kMax)
                                  : item.get<std::int64_t>() < kMin || item.get<std::int64_t>() > kMax) {
      Fail(where + ": " + item.dump() + " is outside the range of a long (-2147483648 to 2147483647)");
    }
    return static_cast<std::int32_t>(item.get<std::int64_t>());
  }
  Fail(where + ": " + item.dump() + " is not a whole number, a string or null");
}

Table ParseTable(const json& item, const std::string& where) {
  if (!item.is_object()) Fail(where + ": must be an object");
  OnlyKeys(item, {"name", "columns", "rows"}, where);
  Table table;
  table.name = Member(item, "name", json::value_t::string, "a string", where).get<std::string>();
  const json& columns = Member(item, "columns", json::value_t::array, "an array", where);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    table.columns.push_back(ParseColumn(columns[i], where + ".columns[" + std::to_string(i) + "]"));
  }
  if (!item.contains("rows")) return table;
  const json& rows = Member(item, "rows", json::value_t::array, "an array", where);
  table.rows.reserve(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::string rowWhere = where + ".rows[" + std::to_string(r) + "]";
    if (!rows[r].is_array()) Fail(rowWhere + ": must be an array");
    if (rows[r].size() != table.columns.size()) {
      Fail(rowWhere + ": has " + std::to_string(rows[r].size()) + " values for " +
           std::to_string(table.columns.size()) + " columns");
    }
    Row row;
    row.reserve(rows[r].size());
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      row.push_back(ParseValue(rows[r][c], rowWhere + "[" + std::to_string(c) + "]"));
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

Database ParseTablesJson(std::string_view text) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& e) {
    // nlohmann's text starts with its own tag "[json.exception.parse_error.101] ".
    std::string message = e.what();
    if (const auto end = message.find("] "); message.starts_with("[json.") && end != std::string::npos) {
      message.erase(0, end + 2);
    }
    Fail("malformed JSON: " + message);
  }
  if (!document.is_object()) Fail("the input must be a JSON object with a \"tables\" array");
  OnlyKeys(document, {"tables"}, "the input");
  const json& tables = Member(document, "tables", json::value_t::array, "an array", "the input");
  Database database;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    database.tables.push_back(ParseTable(tables[i], "tables[" + std::to_string(i) + "]"));
  }
  return database;
}

}  // namespace zav::mdb
