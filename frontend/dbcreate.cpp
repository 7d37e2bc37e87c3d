#include "frontend/dbcreate.h"

#include "frontend/connection_string.h"
#include "platform/dir_listing.h"
#include "platform/failure.h"
#include "platform/unicode.h"

namespace orlindo {

void Connection::SetConnectionString(std::string text) {
  if (Connected()) zav::Fail("接続が開いている間は接続文字列を変更できません");
  connectionString_ = std::move(text);
  failedOpen_.reset();
}

void Connection::Open() {
  Close();
  try {
    database_.emplace(MdbDatabase::Open(connectionString_, connectionTimeout));
  } catch (const zav::Failure& failure) {
    failedOpen_ = failure;
    throw;
  }
  failedOpen_.reset();
}

void Dataset::Open() {
  Close();
  if (!connection_.Connected()) {
    // ConnectDatabase has just tried this string: trying again would make the user wait
    // out the time limit twice under a message that names it once.
    if (connection_.failedOpen_) throw *connection_.failedOpen_;
    connection_.Open();
  }
  rows_.emplace(connection_.database_->Query(commandText_, connection_.commandTimeout));
  current_ = 0;
}

void Dataset::Close() noexcept {
  rows_.reset();
  current_ = 0;
}

int Dataset::RecordCount() const {
  // A closed dataset cannot count, as a provider reports it.
  return rows_ ? static_cast<int>(rows_->rows.size()) : -1;
}

void Dataset::Next() {
  if (!Eof()) ++current_;
}

bool Dataset::Eof() const { return !rows_ || current_ >= rows_->rows.size(); }

const std::string& Dataset::FieldByName(const std::string& name) const {
  if (rows_) {
    const std::vector<std::string>& names = rows_->columnNames;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!zav::EqualIgnoringCase(names[i], name)) continue;
      if (Eof()) zav::Fail("現在のレコードがありません");
      return rows_->rows[current_][i];
    }
  }
  zav::Fail("フィールド '" + name + "' が見つかりません");
}

std::string BuildConnectionString(const std::string& databasePath, const std::string& userId,
                                  const std::string& password) {
  std::string text;
  text += "Provider=Microsoft.Jet.OLEDB.4.0;User ID=";
  text += userId;
  text += ";";
  text += "Data Source=";
  text += ConnectionStringValue(databasePath);
  text += ";";
  text += R"(Mode=Share Deny None;Extended Properties="";)";
  text += "Persist Security Info=False;";
  text += R"(Jet OLEDB:System database="";)";
  text += R"(Jet OLEDB:Registry Path="";)";
  text += R"(Jet OLEDB:Database Password=")";
  text += password;
  text += R"(";)";
  text += "Jet OLEDB:Engine Type=5;";
  text += "Jet OLEDB:Database Locking Mode=1;";
  text += "Jet OLEDB:Global Partial Bulk Ops=2;";
  text += "Jet OLEDB:Global Bulk Transactions=1;";
  text += R"(Jet OLEDB:New Database Password="";)";
  text += "Jet OLEDB:Create System Database=False;";
  text += "Jet OLEDB:Encrypt Database=False;";
  text += "Jet OLEDB:Don't Copy Locale on Compact=False;";
  text += "Jet OLEDB:Compact Without Replica Repair=False;";
  text += "Jet OLEDB:SFP=False";
  return text;
}

int ConnectDatabase(const std::string& databasePath, const std::string& userId,
                    const std::string& password, Connection& connection) {
  if (!zav::IsExistingFile(databasePath)) return -1;
  std::string text = BuildConnectionString(databasePath, userId, password);
  connection.Close();
  try {
    connection.SetConnectionString(std::move(text));
    connection.Open();
  } catch (const zav::Failure&) {
    // The caller learns only that it failed; opening the dataset connects again and
    // reports the provider's text then.
    connection.Close();
    return -2;
  }
  return 0;
}

std::string BuildQueryText(const std::string& table, const std::string& where, const std::string& order) {
  return "SELECT * FROM " + table + " " + where + " " + order;
}

void OpenTable(Dataset& dataset, const std::string& table, const std::string& where,
               const std::string& order) {
  std::string text = BuildQueryText(table, where, order);
  dataset.Close();
  dataset.SetCommandText(std::move(text));
  dataset.Open();
}

}  // namespace orlindo
