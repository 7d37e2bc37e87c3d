// One table of the definition database as plain data, and the byte form in which the
// reading child process hands it back to the front end. Every value is already text
// (UTF-8), the way the import reads fields.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlindo {

struct TableColumn {
  std::string name;
  bool isNumber = false;  // ordered by value, not as text
};

struct TableCell {
  std::string text;  // empty for NULL
  bool isNull = false;
};

struct TableData {
  std::vector<TableColumn> columns;
  std::vector<std::vector<TableCell>> rows;  // file order; each row has one cell per column
};

// What the reading side reports: the table, or a message for the user.
struct ReadOutcome {
  bool ok = false;
  std::string errorMessage;
  TableData table;
};

std::string EncodeOutcome(const ReadOutcome& outcome);

// nullopt when the bytes are cut short or malformed: a reader that died half-way must
// never pass for one that found an empty table.
std::optional<ReadOutcome> DecodeOutcome(std::string_view bytes);

}  // namespace orlindo
