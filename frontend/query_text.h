// The one query form the import sends to the provider,
//   SELECT * FROM <table> <where> <order>   (where empty; order empty or ORDER BY <column>)
// read from its text; anything beyond it is refused with a message that says so.
#pragma once

#include <string>

namespace orlindo {

struct TableQuery {
  std::string table;
  std::string orderColumn;  // empty: file order
};

// Throws a Failure with a clear message for anything beyond the one form (a WHERE
// clause, a column list, DESC, a second ORDER BY column, ...).
TableQuery ParseTableQuery(const std::string& commandText);

}  // namespace orlindo
