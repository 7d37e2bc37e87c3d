// The database helpers of the front end (the unit of the Windows original): holds
// ConnectDatabase and OpenTable, and the two classes they work on in place of the ADO
// components, Connection (the window's ADOConnectionMain) and Dataset (a result set
// opened from a plain SQL text, its rows fetched whole). Both sit on the front end's own
// provider (mdb_provider.h) in place of the Jet OLE DB provider.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "frontend/mdb_provider.h"
#include "platform/failure.h"

namespace orlindo {

// Lives as long as the window. Keeps its connection string after Close, so that a later
// open without a new string connects to the same database again.
class Connection {
 public:
  const std::string& ConnectionString() const { return connectionString_; }
  // Throws a Failure while the connection is open, as ADO refuses it.
  void SetConnectionString(std::string text);
  // Connects with the connection string; throws a Failure with the provider's text and
  // stays closed when that fails.
  void Open();
  // Never fails: the provider holds nothing that could refuse to be released.
  void Close() noexcept { database_.reset(); }
  bool Connected() const { return database_.has_value(); }

  // Time limits for connecting (checking the file) and for reading a table. A database
  // that takes longer is taken for damaged.
  std::chrono::milliseconds connectionTimeout{std::chrono::seconds(15)};
  std::chrono::milliseconds commandTimeout{std::chrono::seconds(30)};

 private:
  friend class Dataset;
  std::string connectionString_;
  std::optional<MdbDatabase> database_;
  // How the last Open with this string failed, until the string is set anew.
  std::optional<zav::Failure> failedOpen_;
};

// A result set on a connection: client-side, fetched whole when opened, so the row count
// is exact. Fields are read by name without case, as text.
class Dataset {
 public:
  explicit Dataset(Connection& connection) : connection_(connection) {}

  void SetCommandText(std::string text) { commandText_ = std::move(text); }
  const std::string& CommandText() const { return commandText_; }
  // Opens the connection first when it is closed, unless the last attempt with the same
  // string failed: that failure is thrown again. Throws a Failure with the provider's
  // text. The dataset is left at its first row.
  void Open();
  void Close() noexcept;
  bool Active() const { return rows_.has_value(); }

  int RecordCount() const;
  void First() { current_ = 0; }
  void Next();
  bool Eof() const;
  // The current row's value of the named field; throws "フィールド '%s' が見つかりません".
  const std::string& FieldByName(const std::string& name) const;

 private:
  Connection& connection_;
  std::string commandText_;
  std::optional<RowSet> rows_;
  std::size_t current_ = 0;
};

// The 23-piece Jet connection string, pieces joined as they stand (the path unquoted
// unless that would read back as another path: connection_string.h).
std::string BuildConnectionString(const std::string& databasePath, const std::string& userId,
                                  const std::string& password);

// 0: open with the new string. -1: no file at the path (a folder does not count); the
// connection is untouched. -2: setting the string or opening failed; the connection is
// closed and the error swallowed.
int ConnectDatabase(const std::string& databasePath, const std::string& userId,
                    const std::string& password, Connection& connection);

// "SELECT * FROM " + table + " " + where + " " + order, both blanks always present.
std::string BuildQueryText(const std::string& table, const std::string& where, const std::string& order);

// Closes the dataset, gives it the query text and opens it; errors pass to the caller.
void OpenTable(Dataset& dataset, const std::string& table, const std::string& where,
               const std::string& order);

}  // namespace orlindo
