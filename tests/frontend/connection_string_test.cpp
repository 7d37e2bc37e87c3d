// The data source taken back out of a connection string, as the provider reads it.
#include "frontend/connection_string.h"

#include <gtest/gtest.h>

#include "frontend/dbcreate.h"
#include "tests/frontend/failure_text.h"

namespace {

using orlindo::DataSourceOf;
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

struct PathCase {
  const char* path;
  const char* inString;  // the Data Source piece of the import's connection string
};

class PathRoundTripTest : public ::testing::TestWithParam<PathCase> {};

// Found by fuzzing: "/d/db;Mode=x.mdb" came back as "/d/db", so the import would have
// read another database. Such a path is quoted now; every other path stays unquoted.
TEST_P(PathRoundTripTest, TheImportsPathComesBackWhole) {
  const std::string built = orlindo::BuildConnectionString(GetParam().path, "", "");
  EXPECT_NE(built.find(std::string(";Data Source=") + GetParam().inString + ";Mode="), std::string::npos) << built;
  EXPECT_EQ(DataSourceOf(built), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathRoundTripTest,
    ::testing::Values(PathCase{"/d/定義;v2.mdb", "/d/定義;v2.mdb"}, PathCase{"/d/a;x=y.mdb", "/d/a;x=y.mdb"},
                      PathCase{"/d/db;Mode=x.mdb", "\"/d/db;Mode=x.mdb\""},
                      PathCase{"/d/a; jet oledb:b=c\"d.mdb", "\"/d/a; jet oledb:b=c\"\"d.mdb\""},
                      PathCase{"\"q.mdb", "\"\"\"q.mdb\""}, PathCase{"'q'.mdb", "\"'q'.mdb\""},
                      PathCase{"a\"b.mdb", "a\"b.mdb"}));

}  // namespace
