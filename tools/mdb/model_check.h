// Checks a model against what Access allows in names and what the format can hold,
// before a byte is laid out, so that a failure names the table, row and column.
#pragma once

#include <string>

#include "tools/mdb/mdb_writer.h"

namespace zav::mdb {

inline constexpr std::size_t kMaxNameChars = 64;
inline constexpr std::size_t kMaxColumns = 255;

void CheckDatabase(const Database& database);

// 'table "T", row 3, column "C"' (rows counted from 1), the prefix of value errors.
std::string CellPlace(const Table& table, std::size_t row, const Column& column);

}  // namespace zav::mdb
