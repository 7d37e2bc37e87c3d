// The front end's own database provider, standing in for the Jet OLE DB provider: it
// takes the database file from the "Data Source" of an ADO connection string and
// carries out the one query form the import sends,
//   SELECT * FROM <table> <where> <order>   (where empty; order empty or ORDER BY <column>)
// reading the file with libmdb in a child process, so that a damaged file ends in an
// error message, never in a crash or a hang of the window.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "frontend/table_data.h"

namespace orlindo {

// The value of "Data Source" in a connection string. An unquoted value runs up to the
// ";" that starts the next known key, so a path holding ";" comes back whole. Throws a
// Failure when the string names another provider or no data source.
std::string DataSourceOf(const std::string& connectionString);

struct TableQuery {
  std::string table;
  std::string orderColumn;  // empty: file order
};

// Throws a Failure with a clear message for anything beyond the one form (a WHERE
// clause, a column list, DESC, a second ORDER BY column, ...).
TableQuery ParseTableQuery(const std::string& commandText);

// The result of a query: every row, fetched whole, already in the requested order.
struct RowSet {
  std::vector<std::string> columnNames;
  std::vector<std::vector<std::string>> rows;  // NULL as the empty text
};

// Orders rows by one column ascending: numbers by value for a number column, text
// otherwise (without case); NULL first; ties keep file order.
void SortRows(TableData& table, std::size_t column);

// One open database file. The file stays open while the object lives, so the rows
// always come from the file that was opened, whatever happens to its name meanwhile.
class MdbDatabase {
 public:
  // Opens the file named by the connection string's "Data Source" and checks that it is
  // a database whose table list can be read. Throws a Failure naming the problem.
  static MdbDatabase Open(const std::string& connectionString, std::chrono::milliseconds limit);

  RowSet Query(const std::string& commandText, std::chrono::milliseconds limit) const;

  const std::string& PathText() const { return pathText_; }

 private:
  MdbDatabase(std::string pathText, zav::UniqueFd file)
      : pathText_(std::move(pathText)), file_(std::move(file)) {}
  std::string OpenPath() const;

  std::string pathText_;
  zav::UniqueFd file_;
};

}  // namespace orlindo
