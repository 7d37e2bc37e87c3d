// The only code that calls libmdb: opens a Jet database file and reads one table whole,
// every value as text. It trusts the file as libmdb does, so the provider runs it in a
// child process (child_run.h) and never in the window's own process.
#pragma once

#include <string>

#include "frontend/table_data.h"

namespace orlindo {

// openPath is what libmdb opens; shownPath is the path the messages name.
// Checks that the file is a database whose table list can be read.
ReadOutcome CheckMdbDatabase(const std::string& openPath, const std::string& shownPath);

// All rows of the table (name matched without case) in file order.
ReadOutcome ReadMdbTable(const std::string& openPath, const std::string& shownPath,
                         const std::string& tableName);

}  // namespace orlindo
