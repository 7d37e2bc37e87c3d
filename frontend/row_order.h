// The ORDER BY of the provider's one query form, carried out on a table already read.
#pragma once

#include <cstddef>

#include "frontend/table_data.h"

namespace orlindo {

// Orders rows by one column ascending: numbers by value for a number column, text
// otherwise (without case); NULL first; ties keep file order.
void SortRows(TableData& table, std::size_t column);

}  // namespace orlindo
