// The order of rows that ORDER BY asks for.
#include "frontend/row_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

orlindo::TableData OneColumn(bool isNumber, std::vector<orlindo::TableCell> cells) {
  orlindo::TableData table;
  table.columns = {{"key", isNumber}, {"tag", false}};
  for (std::size_t i = 0; i < cells.size(); ++i) {
    table.rows.push_back({cells[i], {std::to_string(i), false}});
  }
  return table;
}

std::vector<std::string> Tags(const orlindo::TableData& table) {
  std::vector<std::string> tags;
  for (const auto& row : table.rows) tags.push_back(row[1].text);
  return tags;
}

TEST(SortRows, NumbersByValueNullFirstTiesInFileOrder) {
  orlindo::TableData table = OneColumn(
      true, {{"10", false}, {"9", false}, {"-1", false}, {"", true}, {"9", false}, {"2.5", false}});
  orlindo::SortRows(table, 0);
  EXPECT_EQ(Tags(table), (std::vector<std::string>{"3", "2", "5", "1", "4", "0"}));
}

TEST(SortRows, TextWithoutCaseTiesInFileOrder) {
  orlindo::TableData table =
      OneColumn(false, {{"b", false}, {"A", false}, {"10", false}, {"a", false}, {"9", false}, {"", true}});
  orlindo::SortRows(table, 0);
  // "10" before "9": a text column is ordered as text.
  EXPECT_EQ(Tags(table), (std::vector<std::string>{"5", "2", "4", "1", "3", "0"}));
}

}  // namespace
