// Flipping (XOR FF) rather than zeroing: zeros are a value readers often handle, while
// flipped counts and pointers become the large, out-of-range numbers a torn or
// corrupted file really shows.
#include "tools/mdb/mdb_damage.h"

#include <string_view>

#include "platform/failure.h"
#include "tools/mdb/header_page.h"
#include "tools/mdb/jet_format.h"

namespace zav::mdb {
namespace {

// The column count and the first column's entry, leaving the usage-map pointers whole
// so that a reader gets as far as the columns.
constexpr std::size_t kColumnCountAt = 45;
constexpr std::size_t kFirstColumnAt = 63;
constexpr std::size_t kColumnEntrySize = 25;
constexpr std::string_view kNotADatabase = "This is a text file, not an Access database.\r\n";

void Flip(std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < bytes.size(); ++i) bytes[i] ^= 0xFF;
}

}  // namespace

std::vector<std::uint8_t> BuildDamagedDatabase(const Database& database, Damage damage) {
  if (damage == Damage::NotADatabase) return {kNotADatabase.begin(), kNotADatabase.end()};
  if (damage == Damage::Empty) return {};
  Layout layout;
  std::vector<std::uint8_t> bytes = BuildDatabase(database, layout);
  if (damage == Damage::HeaderFlipped) {
    Flip(bytes, kHeaderKeyedStart, kHeaderKeyedStart + kHeaderKeyedLength);
    return bytes;
  }
  if (layout.tableDefinitionPages.empty()) {
    throw Failure(ErrorKind::General, "this damage needs a database with at least one table");
  }
  const std::size_t definition = static_cast<std::size_t>(layout.tableDefinitionPages.front()) * kPageSize;
  switch (damage) {
    case Damage::CutInDefinition:
      bytes.resize(definition + kPageSize / 2);
      break;
    case Damage::CutAtLastPage:
      bytes.resize(static_cast<std::size_t>(layout.pageCount - 1) * kPageSize);
      break;
    case Damage::CutInRows:
      if (layout.firstDataPages.front() == 0) {
        throw Failure(ErrorKind::General, "this damage needs a first table with rows");
      }
      bytes.resize(static_cast<std::size_t>(layout.firstDataPages.front()) * kPageSize + kPageSize / 2);
      break;
    default:
      Flip(bytes, definition + kColumnCountAt, definition + kColumnCountAt + 2);
      Flip(bytes, definition + kFirstColumnAt, definition + kFirstColumnAt + kColumnEntrySize);
      break;
  }
  return bytes;
}

void WriteDamagedDatabase(const Database& database, Damage damage, const std::filesystem::path& out) {
  WriteFileAtomically(out, BuildDamagedDatabase(database, damage));
}

}  // namespace zav::mdb
