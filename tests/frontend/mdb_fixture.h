// Definition databases for the import's tests, written at test time into the test's
// temporary folder with the project's Jet 4 writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/mdb/mdb_writer.h"
#include "platform/unicode.h"

namespace orlindotest {

using zav::mdb::Value;
inline const Value kNull = std::monostate{};

inline Value Text(const char* text) { return std::string(text); }
inline Value Number(std::int32_t number) { return number; }

// Table T_main with ID (Long) and three text columns, named as given.
inline zav::mdb::Table DefinitionTable(std::vector<zav::mdb::Row> rows,
                                       std::vector<std::string> names = {"ID", "svgname", "category",
                                                                         "caption"}) {
  zav::mdb::Table table;
  table.name = "T_main";
  for (const std::string& name : names) {
    zav::mdb::Column column;
    column.name = name;
    column.type = zav::EqualIgnoringCase(name, "ID") ? zav::mdb::ColumnType::Long : zav::mdb::ColumnType::Text;
    table.columns.push_back(column);
  }
  table.rows = std::move(rows);
  return table;
}

inline std::string WriteMdb(const std::filesystem::path& path, std::vector<zav::mdb::Table> tables) {
  zav::mdb::Database database;
  database.tables = std::move(tables);
  zav::mdb::WriteDatabase(database, path);
  return path.string();
}

}  // namespace orlindotest
