// Damaged databases for the import's error tests: each variant is built from a sound
// file of the given model and then spoilt in one known way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "tools/mdb/mdb_writer.h"

namespace zav::mdb {

enum class Damage {
  CutInDefinition,         // ends halfway through the first user table's definition page,
                           // before the catalog's rows
  CutInRows,               // ends halfway through the first user table's first data page
  CutAtLastPage,           // the last page is missing: with a last table whose rows fill
                           // several pages, the rows on that page are lost, the rest reads
  HeaderFlipped,           // every bit of the header's keyed block (database key included) flipped
  TableDefinitionFlipped,  // first user table: column count and first column entry flipped
  NotADatabase,            // a short text file
  Empty,                   // zero bytes
};

// The model needs at least one table (with rows, for CutInRows) for the damage that
// names one.
std::vector<std::uint8_t> BuildDamagedDatabase(const Database& database, Damage damage);
void WriteDamagedDatabase(const Database& database, Damage damage, const std::filesystem::path& out);

}  // namespace zav::mdb
