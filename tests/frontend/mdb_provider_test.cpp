// The provider's own rules, without a database file: the data source taken back out of
// a connection string, the one query form, the order of rows, and the byte form in
// which the reading child hands a table back.
#include "frontend/mdb_provider.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "frontend/table_data.h"

#include "tests/frontend/failure_text.h"

namespace {

using orlindo::DataSourceOf;
using orlindo::ParseTableQuery;

using orlindotest::FailureText;
struct SourceCase {
  const char* connectionString;
  const char* dataSource;
};

class DataSourceTest : public ::testing::TestWithParam<SourceCase> {};

TEST_P(DataSourceTest, TakesThePathBackOut) {
  EXPECT_EQ(DataSourceOf(GetParam().connectionString), GetParam().dataSource);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DataSourceTest,
    ::testing::Values(
        SourceCase{"Provider=Microsoft.Jet.OLEDB.4.0;User ID=;Data Source=/d/定義.mdb;Mode=Share Deny None;"
                   "Extended Properties=\"\";Persist Security Info=False;Jet OLEDB:SFP=False",
                   "/d/定義.mdb"},
        // A ";" inside the path does not start a new key: it stays in the path.
        SourceCase{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a;b.mdb;Mode=Share Deny None",
                   "/d/a;b.mdb"},
        SourceCase{"Data Source=/d/a;x=y.mdb;Jet OLEDB:Engine Type=5", "/d/a;x=y.mdb"},
        SourceCase{"Data Source=/d/last;part.mdb", "/d/last;part.mdb"},
        SourceCase{"data source=\"/d/q\"\"uote;d.mdb\";Mode=Read", "/d/q\"uote;d.mdb"},
        SourceCase{"Data Source= /d/lead blank.mdb;Mode=Read", " /d/lead blank.mdb"}));

TEST(DataSourceErrors, NamesWhatIsWrong) {
  EXPECT_EQ(FailureText([] { DataSourceOf("Provider=Microsoft.Jet.OLEDB.4.0;User ID=;Mode=Read"); }),
            "接続文字列にデータベースファイル (Data Source) がありません");
  EXPECT_EQ(FailureText([] { DataSourceOf("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=;Mode=Read"); }),
            "接続文字列にデータベースファイル (Data Source) がありません");
  EXPECT_EQ(FailureText([] { DataSourceOf("Provider=SQLOLEDB;Data Source=/d/a.mdb"); }),
            "プロバイダ 'SQLOLEDB' には対応していません");
  EXPECT_EQ(FailureText([] { DataSourceOf("Data Source=\"/d/a.mdb"); }),
            "接続文字列の引用符が閉じていません: Data Source=\"/d/a.mdb");
}

struct QueryCase {
  const char* text;
  const char* table;
  const char* orderColumn;
};

class TableQueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(TableQueryTest, ReadsTheOneForm) {
  const orlindo::TableQuery query = ParseTableQuery(GetParam().text);
  EXPECT_EQ(query.table, GetParam().table);
  EXPECT_EQ(query.orderColumn, GetParam().orderColumn);
}

INSTANTIATE_TEST_SUITE_P(Cases, TableQueryTest,
                         ::testing::Values(QueryCase{"SELECT * FROM T_main  ORDER BY ID", "T_main", "ID"},
                                           QueryCase{"SELECT * FROM T_main  ", "T_main", ""},
                                           QueryCase{"select * from t_main order by id asc;", "t_main", "id"},
                                           QueryCase{"SELECT * FROM [T main] ORDER BY [No.]", "T main", "No."},
                                           QueryCase{"SELECT*FROM T_main\r\nORDER BY ID", "T_main", "ID"}));

TEST(TableQueryErrors, RefusesEverythingElseClearly) {
  const std::string form = "使えるのは SELECT * FROM テーブル [ORDER BY 列] の形だけです";
  EXPECT_EQ(FailureText([] { ParseTableQuery("SELECT * FROM T_main WHERE ID=1 ORDER BY ID"); }),
            "SQL 文 \"SELECT * FROM T_main WHERE ID=1 ORDER BY ID\" は実行できません。WHERE 句には対応していません");
  EXPECT_EQ(FailureText([] { ParseTableQuery("SELECT * FROM T_main  ORDER BY ID DESC"); }),
            "SQL 文 \"SELECT * FROM T_main  ORDER BY ID DESC\" は実行できません。並べ替えは昇順だけに対応しています");
  EXPECT_EQ(FailureText([] { ParseTableQuery("SELECT * FROM T_main ORDER BY ID, svgname"); }),
            "SQL 文 \"SELECT * FROM T_main ORDER BY ID, svgname\" は実行できません。並べ替えの列は一つだけに対応しています");
  EXPECT_EQ(FailureText([] { ParseTableQuery("SELECT * FROM   ORDER BY ID"); }),
            "SQL 文 \"SELECT * FROM   ORDER BY ID\" は実行できません。" + form);
  EXPECT_EQ(FailureText([] { ParseTableQuery("SELECT svgname FROM T_main"); }),
            "SQL 文 \"SELECT svgname FROM T_main\" は実行できません。" + form);
  EXPECT_EQ(FailureText([] { ParseTableQuery("DELETE * FROM T_main"); }),
            "SQL 文 \"DELETE * FROM T_main\" は実行できません。" + form);
  EXPECT_EQ(FailureText([] { ParseTableQuery("SELECT * FROM T_main GROUP BY ID"); }),
            "SQL 文 \"SELECT * FROM T_main GROUP BY ID\" は実行できません。" + form);
}

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

orlindo::ReadOutcome SampleOutcome() {
  orlindo::ReadOutcome outcome;
  outcome.ok = true;
  outcome.table.columns = {{"ID", true}, {"caption", false}};
  outcome.table.rows = {{{"1", false}, {"日本語の説明", false}}, {{"", true}, {std::string("a\0b", 3), false}}};
  return outcome;
}

TEST(OutcomeBytes, RoundTripKeepsEveryValue) {
  const std::optional<orlindo::ReadOutcome> back = orlindo::DecodeOutcome(EncodeOutcome(SampleOutcome()));
  ASSERT_TRUE(back.has_value());
  ASSERT_TRUE(back->ok);
  ASSERT_EQ(back->table.columns.size(), 2u);
  EXPECT_EQ(back->table.columns[0].name, "ID");
  EXPECT_TRUE(back->table.columns[0].isNumber);
  EXPECT_FALSE(back->table.columns[1].isNumber);
  ASSERT_EQ(back->table.rows.size(), 2u);
  EXPECT_EQ(back->table.rows[0][1].text, "日本語の説明");
  EXPECT_TRUE(back->table.rows[1][0].isNull);
  EXPECT_EQ(back->table.rows[1][1].text, std::string("a\0b", 3));

  orlindo::ReadOutcome refused;
  refused.errorMessage = "テーブル 'T_main' がありません";
  const auto refusedBack = orlindo::DecodeOutcome(EncodeOutcome(refused));
  ASSERT_TRUE(refusedBack.has_value());
  EXPECT_FALSE(refusedBack->ok);
  EXPECT_EQ(refusedBack->errorMessage, refused.errorMessage);
}

TEST(OutcomeBytes, EveryCutShortOrExtendedFormIsRefused) {
  const std::string bytes = EncodeOutcome(SampleOutcome());
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    EXPECT_FALSE(orlindo::DecodeOutcome(bytes.substr(0, length)).has_value()) << "cut at " << length;
  }
  EXPECT_FALSE(orlindo::DecodeOutcome(bytes + "X").has_value());
}

TEST(OutcomeBytes, HugeCountsAreRefusedWithoutAllocating) {
  // Head, ok, then 0xFFFFFFFF columns: must fail at once, not try to make room for them.
  EXPECT_FALSE(orlindo::DecodeOutcome(std::string("ZAVTABLE1\x01\xFF\xFF\xFF\xFF", 14) + "END").has_value());
  // No columns but 0xFFFFFFFF rows.
  EXPECT_FALSE(orlindo::DecodeOutcome(std::string("ZAVTABLE1\x01\0\0\0\0\xFF\xFF\xFF\xFF", 18) + "END")
                   .has_value());
}

}  // namespace
