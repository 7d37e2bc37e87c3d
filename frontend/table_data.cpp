#include "frontend/table_data.h"

#include "frontend/byte_fields.h"

namespace orlindo {
namespace {

// Opening and closing marks: an outcome counts only when both are present.
constexpr std::string_view kHead = "ZAVTABLE1";
constexpr std::string_view kTail = "END";

}  // namespace

std::string EncodeOutcome(const ReadOutcome& outcome) {
  std::string out(kHead);
  out.push_back(outcome.ok ? 1 : 0);
  if (!outcome.ok) {
    PutText(out, outcome.errorMessage);
  } else {
    const TableData& table = outcome.table;
    PutU32(out, static_cast<std::uint32_t>(table.columns.size()));
    for (const TableColumn& column : table.columns) {
      PutText(out, column.name);
      out.push_back(column.isNumber ? 1 : 0);
    }
    PutU32(out, static_cast<std::uint32_t>(table.rows.size()));
    for (const auto& row : table.rows) {
      for (const TableCell& cell : row) {
        out.push_back(cell.isNull ? 1 : 0);
        PutText(out, cell.text);
      }
    }
  }
  out.append(kTail);
  return out;
}

std::optional<ReadOutcome> DecodeOutcome(std::string_view bytes) {
  FieldReader in(bytes);
  ReadOutcome outcome;
  if (!in.Take(kHead) || !in.Flag(outcome.ok)) return std::nullopt;
  if (!outcome.ok) {
    if (!in.Text(outcome.errorMessage)) return std::nullopt;
  } else {
    std::uint32_t columnCount = 0;
    // Each column and each cell takes at least five bytes: a count beyond that is garbage,
    // and refusing it keeps a damaged stream from asking for a huge allocation.
    if (!in.U32(columnCount) || columnCount > in.Left() / 5) return std::nullopt;
    outcome.table.columns.resize(columnCount);
    for (TableColumn& column : outcome.table.columns) {
      if (!in.Text(column.name) || !in.Flag(column.isNumber)) return std::nullopt;
    }
    std::uint32_t rowCount = 0;
    if (!in.U32(rowCount)) return std::nullopt;
    // libmdb yields no rows for a table without columns.
    if (columnCount == 0 ? rowCount != 0 : rowCount > in.Left() / (5 * std::size_t{columnCount})) {
      return std::nullopt;
    }
    outcome.table.rows.resize(rowCount);
    for (auto& row : outcome.table.rows) {
      row.resize(columnCount);
      for (TableCell& cell : row) {
        if (!in.Flag(cell.isNull) || !in.Text(cell.text)) return std::nullopt;
      }
    }
  }
  if (!in.Take(kTail) || in.Left() != 0) return std::nullopt;
  return outcome;
}

}  // namespace orlindo
