// The one query form the provider carries out, and the refusal of every other.
#include "frontend/query_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/frontend/failure_text.h"

namespace {

using orlindo::ParseTableQuery;
using orlindotest::FailureText;

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

}  // namespace
