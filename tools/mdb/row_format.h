// One table row in the Jet 4 layout: column count, fixed area, variable data, the
// offset table read backwards from the end, and the null mask.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/mdb/jet_format.h"

namespace zav::mdb {

// A value ready to be placed: the bytes of a fixed column (its full width) or of a
// variable one (text already encoded, a memo's 12-byte field and any inline data).
struct Cell {
  bool isNull = true;
  std::vector<std::uint8_t> bytes;
};

// Gives each column its place in a row: fixed columns side by side in column order,
// variable ones numbered in column order.
void AssignRowPlaces(std::vector<JetColumn>& columns);

std::vector<std::uint8_t> EncodeRow(const std::vector<JetColumn>& columns,
                                    const std::vector<Cell>& cells);

}  // namespace zav::mdb
