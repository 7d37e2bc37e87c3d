// ADO connection strings as the front end's provider reads them: the one value it needs,
// the database file of "Data Source", taken back out of the string the import builds.
#pragma once

#include <string>

namespace orlindo {

// The value of "Data Source" in a connection string. An unquoted value runs up to the
// ";" that starts the next known key, so a path holding ";" comes back whole. Throws a
// Failure when the string names another provider or no data source.
std::string DataSourceOf(const std::string& connectionString);

// A value as a connection string carries it: as it stands, as the original wrote it,
// wherever DataSourceOf takes it back out whole; else in double quotes, each inner one
// doubled (a ";" before a known key's name, a leading quote), so that a path is never
// read back as another one.
std::string ConnectionStringValue(const std::string& value);

}  // namespace orlindo
