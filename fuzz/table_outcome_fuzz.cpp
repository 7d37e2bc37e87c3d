// Any bytes as what the database-reading child sends back: the child runs libmdb on an
// untrusted file, so the parent takes nothing on trust. Decoding either refuses the
// bytes or gives a table whose every row has a cell per column; the decoded outcome
// encodes and decodes to itself; ordering by any column keeps every row.
#include <algorithm>
#include <cstdint>
#include <string>

#include "frontend/row_order.h"
#include "frontend/table_data.h"
#include "fuzz/fuzz_support.h"

namespace orlindo {
bool operator==(const TableCell& a, const TableCell& b) { return a.text == b.text && a.isNull == b.isNull; }
}  // namespace orlindo

namespace {

using zavfuzz::Require;

bool SameOutcome(const orlindo::ReadOutcome& a, const orlindo::ReadOutcome& b) {
  if (a.ok != b.ok || a.errorMessage != b.errorMessage) return false;
  if (a.table.columns.size() != b.table.columns.size() || a.table.rows != b.table.rows) return false;
  for (std::size_t i = 0; i < a.table.columns.size(); ++i) {
    if (a.table.columns[i].name != b.table.columns[i].name ||
        a.table.columns[i].isNumber != b.table.columns[i].isNumber) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<orlindo::ReadOutcome> outcome = orlindo::DecodeOutcome(zavfuzz::AsText(data, size));
  if (!outcome) return 0;
  const orlindo::TableData& table = outcome->table;
  for (const auto& row : table.rows) Require(row.size() == table.columns.size(), "every row has a cell per column");
  const std::string encoded = orlindo::EncodeOutcome(*outcome);
  const std::optional<orlindo::ReadOutcome> again = orlindo::DecodeOutcome(encoded);
  Require(again.has_value() && SameOutcome(*outcome, *again), "a decoded outcome encodes and decodes to itself");

  for (std::size_t column = 0; column < table.columns.size(); ++column) {
    orlindo::TableData sorted = table;
    orlindo::SortRows(sorted, column);
    Require(sorted.rows.size() == table.rows.size(), "ordering keeps every row");
    for (const auto& row : table.rows) {
      Require(std::count(sorted.rows.begin(), sorted.rows.end(), row) ==
                  std::count(table.rows.begin(), table.rows.end(), row),
              "ordering keeps every row once");
      if (table.rows.size() > 64) break;  // the count is quadratic; the first rows suffice
    }
    for (std::size_t i = 1; i < sorted.rows.size(); ++i) {
      Require(!sorted.rows[i][column].isNull || sorted.rows[i - 1][column].isNull, "NULL comes first");
    }
  }
  return 0;
}
