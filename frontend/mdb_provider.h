// The front end's own database provider, standing in for the Jet OLE DB provider: it
// takes the database file from the "Data Source" of an ADO connection string
// (connection_string.h) and carries out the one query form the import sends
// (query_text.h, row_order.h), reading the file with libmdb in a child process, so that
// a damaged file ends in an error message, never in a crash or a hang of the window.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace orlindo {

// The result of a query: every row, fetched whole, already in the requested order.
struct RowSet {
  std::vector<std::string> columnNames;
  std::vector<std::vector<std::string>> rows;  // NULL as the empty text
};

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
