// Rows are read from both ends: fixed columns from the front by offset, the null mask
// and the variable columns' offsets from the back. A null variable column still has
// an entry in the offset table, with no bytes.
#include "tools/mdb/row_format.h"

#include <algorithm>
#include <cstring>

namespace zav::mdb {

void AssignRowPlaces(std::vector<JetColumn>& columns) {
  std::uint16_t fixedOffset = 0;
  std::uint16_t varIndex = 0;
  for (JetColumn& column : columns) {
    if (column.fixed) {
      column.fixedOffset = fixedOffset;
      fixedOffset = static_cast<std::uint16_t>(fixedOffset + column.lengthBytes);
    } else {
      column.varIndex = varIndex++;
    }
  }
}

std::vector<std::uint8_t> EncodeRow(const std::vector<JetColumn>& columns,
                                    const std::vector<Cell>& cells) {
  std::size_t fixedBytes = 0;
  std::size_t varCount = 0;
  for (const JetColumn& column : columns) {
    if (column.fixed) {
      fixedBytes = std::max<std::size_t>(fixedBytes, column.fixedOffset + column.lengthBytes);
    } else {
      ++varCount;
    }
  }
  constexpr std::size_t kCountSize = 2;
  // Sized at once: growing a two-byte vector makes GCC 12 warn falsely (-Warray-bounds).
  std::vector<std::uint8_t> row(kCountSize + fixedBytes, 0);
  PutU16(row.data(), static_cast<std::uint32_t>(columns.size()));
  std::vector<std::uint8_t> nullMask((columns.size() + 7) / 8, 0);
  std::vector<std::uint16_t> varOffsets(varCount, 0);

  for (std::size_t i = 0; i < columns.size(); ++i) {
    const JetColumn& column = columns[i];
    const Cell& cell = cells[i];
    if (!cell.isNull) nullMask[i / 8] |= static_cast<std::uint8_t>(1u << (i % 8));
    if (column.fixed) {
      if (!cell.isNull) {
        std::memcpy(row.data() + kCountSize + column.fixedOffset, cell.bytes.data(),
                    std::min<std::size_t>(cell.bytes.size(), column.lengthBytes));
      }
    } else {
      varOffsets[column.varIndex] = static_cast<std::uint16_t>(row.size());
      if (!cell.isNull) row.insert(row.end(), cell.bytes.begin(), cell.bytes.end());
    }
  }
  // Without variable columns the row ends in the null mask alone.
  if (varCount > 0) {
    AppendU16(row, static_cast<std::uint32_t>(row.size()));  // end of the variable data
    for (std::size_t i = varCount; i-- > 0;) AppendU16(row, varOffsets[i]);
    AppendU16(row, static_cast<std::uint32_t>(varCount));
  }
  row.insert(row.end(), nullMask.begin(), nullMask.end());
  return row;
}

}  // namespace zav::mdb
