// Writes new Access 2000 (Jet 4) databases for test fixtures and the example: a plain
// model of tables, columns and rows in, one ".mdb" file out that mdbtools reads.
// Nothing here ships; the front end's import tests and the mdbwrite program use it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace zav::mdb {

enum class ColumnType { Long, Text, Memo };

inline constexpr int kMaxTextChars = 255;

struct Column {
  std::string name;  // UTF-8, stored as given (case kept)
  ColumnType type = ColumnType::Text;
  int textChars = kMaxTextChars;  // Text only: the column's size, 1..255 UTF-16 units
};

// NULL, a Long Integer, or UTF-8 text for a Text or Memo column. An empty text is
// stored as a zero-length value, as Access stores it; libmdb reads that back as NULL.
using Value = std::variant<std::monostate, std::int32_t, std::string>;
inline const Value kNull{};
using Row = std::vector<Value>;

struct Table {
  std::string name;
  std::vector<Column> columns;
  std::vector<Row> rows;  // stored in this order
};

struct Database {
  std::vector<Table> tables;
};

// The whole file in memory. Throws zav::Failure (kind General) naming the table, row
// and column of the first value or name the format cannot hold.
std::vector<std::uint8_t> BuildDatabase(const Database& database);

// Where the parts of a built file lie, for the damaged variants.
struct Layout {
  std::uint32_t pageCount = 0;
  std::vector<std::uint32_t> tableDefinitionPages;  // first page of each user table's definition
  std::vector<std::uint32_t> firstDataPages;        // of each user table; 0 when it has no rows
};
std::vector<std::uint8_t> BuildDatabase(const Database& database, Layout& layout);

// Writes the file under a temporary name beside `out` and renames it over `out` only
// when complete: a failure leaves no new file and an existing one untouched.
void WriteDatabase(const Database& database, const std::filesystem::path& out);
void WriteFileAtomically(const std::filesystem::path& out, const std::vector<std::uint8_t>& bytes);

}  // namespace zav::mdb
