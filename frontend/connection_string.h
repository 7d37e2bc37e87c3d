// ADO connection strings as the front end's provider reads them: the one value it needs,
// the database file of "Data Source", taken back out of the string the import builds.
#pragma once

#include <string>

namespace orlindo {

// The value of "Data Source" in a connection string. An unquoted value runs up to the
// ";" that starts the next known key, so a path holding ";" comes back whole. Throws a
// Failure when the string names another provider or no data source.
std::string DataSourceOf(const std::string& connectionString);

}  // namespace orlindo
