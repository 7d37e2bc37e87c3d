#include "frontend/table_data.h"

#include <cstdint>
#include <limits>

namespace orlindo {
namespace {

// Opening and closing marks: an outcome counts only when both are present.
constexpr std::string_view kHead = "ZAVTABLE1";
constexpr std::string_view kTail = "END";

void PutU32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

void PutText(std::string& out, std::string_view text) {
  PutU32(out, static_cast<std::uint32_t>(text.size()));
  out.append(text);
}

// Reads front to back; every take checks what is left, so garbled input fails cleanly.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : rest_(bytes) {}
  bool Take(std::string_view expected) {
    if (rest_.substr(0, expected.size()) != expected) return false;
    rest_.remove_prefix(expected.size());
    return true;
  }
  bool U32(std::uint32_t& value) {
    if (rest_.size() < 4) return false;
    value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(rest_[i]);
    rest_.remove_prefix(4);
    return true;
  }
  bool Byte(bool& value) {
    if (rest_.empty()) return false;
    value = rest_[0] != 0;
    rest_.remove_prefix(1);
    return true;
  }
  bool Text(std::string& text) {
    std::uint32_t size = 0;
    if (!U32(size) || rest_.size() < size) return false;
    text.assign(rest_.substr(0, size));
    rest_.remove_prefix(size);
    return true;
  }
  std::size_t Left() const { return rest_.size(); }

 private:
  std::string_view rest_;
};

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
  Reader in(bytes);
  ReadOutcome outcome;
  if (!in.Take(kHead) || !in.Byte(outcome.ok)) return std::nullopt;
  if (!outcome.ok) {
    if (!in.Text(outcome.errorMessage)) return std::nullopt;
  } else {
    std::uint32_t columnCount = 0;
    // Each column and each cell takes at least five bytes: a count beyond that is garbage,
    // and refusing it keeps a damaged stream from asking for a huge allocation.
    if (!in.U32(columnCount) || columnCount > in.Left() / 5) return std::nullopt;
    outcome.table.columns.resize(columnCount);
    for (TableColumn& column : outcome.table.columns) {
      if (!in.Text(column.name) || !in.Byte(column.isNumber)) return std::nullopt;
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
        if (!in.Byte(cell.isNull) || !in.Text(cell.text)) return std::nullopt;
      }
    }
  }
  if (!in.Take(kTail) || in.Left() != 0) return std::nullopt;
  return outcome;
}

}  // namespace orlindo
