// The writer's own checks and layout: bytes of a row and of the file's frame, and the
// model errors that must be refused before anything is written.
#include "tools/mdb/mdb_writer.h"

#include <gtest/gtest.h>

#include "tools/mdb/row_format.h"
#include "platform/failure.h"

namespace {

using zav::mdb::Column;
using zav::mdb::ColumnType;
using zav::mdb::Database;
using zav::mdb::Table;

TEST(RowLayout, FixedThenVariableThenOffsetsBackwardsThenNullMask) {
  std::vector<zav::mdb::JetColumn> columns{
      {u"ID", zav::mdb::JetType::Long, 4, true, 0, 0},
      {u"a", zav::mdb::JetType::Text, 510, false, 0, 0},
      {u"b", zav::mdb::JetType::Text, 510, false, 0, 0}};
  zav::mdb::AssignRowPlaces(columns);
  const std::vector<zav::mdb::Cell> cells{
      {false, {0x05, 0x00, 0x00, 0x00}}, {false, {0xFF, 0xFE, 'a', 'b'}}, {true, {}}};
  const std::vector<std::uint8_t> expected{
      0x03, 0x00,                           // three columns
      0x05, 0x00, 0x00, 0x00,               // ID
      0xFF, 0xFE, 'a', 'b',                 // a; b is NULL and takes no bytes
      0x0A, 0x00,                           // end of the variable data
      0x0A, 0x00, 0x06, 0x00,               // offsets of b, then a
      0x02, 0x00,                           // two variable columns
      0x03};                                // ID and a present, b NULL
  EXPECT_EQ(zav::mdb::EncodeRow(columns, cells), expected);
}

TEST(FileFrame, WholePagesSignatureVersionAndSameBytesEachTime) {
  const Database database{{Table{"T_main", {{"ID", ColumnType::Long}}, {{1}, {2}}}}};
  const std::vector<std::uint8_t> first = zav::mdb::BuildDatabase(database);
  ASSERT_GE(first.size(), 4096u * 4);
  EXPECT_EQ(first.size() % 4096, 0u);
  EXPECT_EQ(std::string(first.begin() + 4, first.begin() + 20), std::string("Standard Jet DB\0", 16));
  EXPECT_EQ(first[0x14], 0x01);  // Jet 4
  EXPECT_EQ(first[2 * 4096], 0x02);  // the catalog's definition
  EXPECT_EQ(zav::mdb::BuildDatabase(database), first);  // a regenerated example stays the same
}

struct ModelCase {
  const char* label;
  Database database;
  const char* message;
};
void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.label; }

class ModelErrorTest : public ::testing::TestWithParam<ModelCase> {};

TEST_P(ModelErrorTest, IsRefusedWithItsPlace) {
  try {
    zav::mdb::BuildDatabase(GetParam().database);
    FAIL() << "no error";
  } catch (const zav::Failure& f) {
    EXPECT_EQ(f.message, GetParam().message);
  }
}

Table OneColumn(const std::string& table, const std::string& column) {
  return Table{table, {{column, ColumnType::Long}}, {}};
}

Table NineFullTexts() {
  Table table{"Wide", {}, {{}}};
  for (int i = 0; i < 9; ++i) {
    // Appended, not "t" + ...: GCC 12 warns falsely (-Wrestrict) on a literal plus a temporary.
    table.columns.push_back({std::string("t").append(std::to_string(i)), ColumnType::Text});
    std::string wide;  // not compressible: two bytes a character
    for (int c = 0; c < 255; ++c) wide += "記";
    table.rows[0].push_back(wide);
  }
  return table;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModelErrorTest,
    ::testing::Values(
        ModelCase{"EmptyTableName", {{OneColumn("", "a")}}, "a table has an empty name"},
        ModelCase{"NameOf65", {{OneColumn(std::string(65, 'n'), "a")}},
                  "a table \"" "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn"
                  "\": name is longer than 64 characters"},
        ModelCase{"DotInName", {{OneColumn("T.main", "a")}},
                  "a table \"T.main\": name holds a control character or one of . ! ` [ ]"},
        ModelCase{"LeadingBlank", {{OneColumn("T", " a")}},
                  "table \"T\", a column \" a\": name starts with a blank"},
        ModelCase{"SameTableIgnoringCase", {{OneColumn("T_main", "a"), OneColumn("t_MAIN", "a")}},
                  "table \"t_MAIN\": a table of that name is already in the database"},
        ModelCase{"CatalogName", {{OneColumn("msysobjects", "a")}},
                  "table \"msysobjects\": a table of that name is already in the database"},
        ModelCase{"SameColumnIgnoringCase",
                  {{Table{"T", {{"svgname", ColumnType::Text}, {"SVGNAME", ColumnType::Text}}, {}}}},
                  "table \"T\", column \"SVGNAME\": the table already has a column of that name"},
        ModelCase{"NoColumns", {{Table{"T", {}, {}}}}, "table \"T\": has no columns"},
        ModelCase{"TextSizeZero", {{Table{"T", {Column{"c", ColumnType::Text, 0}}, {}}}},
                  "table \"T\", column \"c\": a text column's size must be 1 to 255"},
        ModelCase{"RowTooWide", {{Table{"T", {{"a", ColumnType::Long}}, {{1, 2}}}}},
                  "table \"T\", row 1: has 2 values for 1 columns"},
        ModelCase{"TextOverSize", {{Table{"T", {Column{"c", ColumnType::Text, 3}}, {{std::string("記号です")}}}}},
                  "table \"T\", row 1, column \"c\": text of 4 characters is longer than the column's 3"},
        ModelCase{"NumberInText", {{Table{"T", {{"c", ColumnType::Memo}}, {{7}}}}},
                  "table \"T\", row 1, column \"c\": a text or memo column takes text or null"},
        ModelCase{"InvalidUtf8", {{Table{"T", {{"c", ColumnType::Text}}, {{std::string("\xC3")}}}}},
                  "table \"T\", row 1, column \"c\": text is not valid UTF-8"},
        ModelCase{"LeadingMarkInLongMemo",
                  {{Table{"T", {{"c", ColumnType::Memo}}, {{"\uFEFF" + std::string(1100, 'a')}}}}},
                  "table \"T\", row 1, column \"c\": a text that starts with U+FEFF cannot be "
                  "stored here: it would read back as compressed text, and compression is ruled "
                  "out for it"},
        ModelCase{"RowOverAPage", {{NineFullTexts()}},
                  "table \"Wide\", row 1: takes 4616 bytes, more than the 4080 a page holds"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
