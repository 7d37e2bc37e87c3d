// MSysObjects, the catalog readers open first (its definition is always page 2): one row
// per table, whose Id's low three bytes give the page of the table's definition.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mdb/jet_format.h"
#include "tools/mdb/row_format.h"

namespace zav::mdb {

inline constexpr char16_t kCatalogName[] = u"MSysObjects";

JetTable CatalogTable();

struct CatalogObject {
  std::u16string name;
  std::uint32_t definitionPage = 0;
  bool system = false;
};

std::vector<Cell> CatalogRow(const CatalogObject& object);

}  // namespace zav::mdb
