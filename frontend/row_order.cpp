#include "frontend/row_order.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <string>
#include <vector>

#include "platform/unicode.h"

namespace orlindo {
namespace {

double NumberOf(const std::string& text) {
  double value = 0;
  const char* first = text.data();
  if (!text.empty() && text.front() == '+') ++first;
  std::from_chars(first, text.data() + text.size(), value);
  return value;
}

}  // namespace

void SortRows(TableData& table, std::size_t column) {
  const bool byNumber = table.columns[column].isNumber;
  struct Key {
    bool isNull;
    double number;
    std::string text;
  };
  std::vector<Key> keys;
  keys.reserve(table.rows.size());
  for (const auto& row : table.rows) {
    const TableCell& cell = row[column];
    keys.push_back({cell.isNull, byNumber ? NumberOf(cell.text) : 0.0,
                    byNumber ? std::string() : zav::UpperCaseText(cell.text)});
  }
  std::vector<std::size_t> order(table.rows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const Key& left = keys[a];
    const Key& right = keys[b];
    if (left.isNull != right.isNull) return left.isNull;
    if (byNumber) return left.number < right.number;
    return left.text < right.text;
  });
  std::vector<std::vector<TableCell>> sorted;
  sorted.reserve(order.size());
  for (std::size_t index : order) sorted.push_back(std::move(table.rows[index]));
  table.rows = std::move(sorted);
}

}  // namespace orlindo
