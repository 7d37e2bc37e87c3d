// The mdbwrite input: {"tables": [{"name", "columns": [{"name", "type", "size"?}],
// "rows": [[...], ...]}]} read into the writer's model. Shape errors name the place in
// the JSON; the writer checks names and values afterwards.
#pragma once

#include <string_view>

#include "tools/mdb/mdb_writer.h"

namespace zav::mdb {

Database ParseTablesJson(std::string_view json);

}  // namespace zav::mdb
