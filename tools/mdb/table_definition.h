// A table's definition (TDEF) pages: the header block with the row and column counts
// and the pointers to the usage maps, one 25-byte entry per column, then the names.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/mdb/jet_format.h"

namespace zav::mdb {

// The definition as one run of bytes laid out as if page 0 of it were unbounded;
// SplitDefinition cuts it into pages.
std::vector<std::uint8_t> EncodeDefinition(const JetTable& table, std::uint32_t usedMapPointer,
                                           std::uint32_t freeMapPointer);

std::size_t DefinitionPageCount(std::size_t definitionBytes);

// Writes the definition into its pages, each linked to the next.
void SplitDefinition(const std::vector<std::uint8_t>& definition,
                     const std::vector<std::uint32_t>& pages, std::vector<std::uint8_t>& file);

}  // namespace zav::mdb
