// ConnectDatabase and OpenTable on real .mdb files: the texts sent, the three results and
// the state each leaves the connection in, the rows in ID order, fields read as text,
// and damaged or foreign files ending in an error rather than a crash.
#include "frontend/dbcreate.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "tools/mdb/mdb_damage.h"
#include "tests/frontend/mdb_fixture.h"
#include "tests/support/temp_dir.h"

#include "tests/frontend/failure_text.h"

namespace {

using namespace orlindotest;
using orlindo::Connection;
using orlindo::Dataset;

TEST(ConnectionString, IsTheTwentyThreePiecesExactly) {
  EXPECT_EQ(orlindo::BuildConnectionString("/data/定義;v2.mdb", "", ""),
            "Provider=Microsoft.Jet.OLEDB.4.0;User ID=;Data Source=/data/定義;v2.mdb;"
            "Mode=Share Deny None;Extended Properties=\"\";Persist Security Info=False;"
            "Jet OLEDB:System database=\"\";Jet OLEDB:Registry Path=\"\";"
            "Jet OLEDB:Database Password=\"\";Jet OLEDB:Engine Type=5;"
            "Jet OLEDB:Database Locking Mode=1;Jet OLEDB:Global Partial Bulk Ops=2;"
            "Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password=\"\";"
            "Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;"
            "Jet OLEDB:Don't Copy Locale on Compact=False;"
            "Jet OLEDB:Compact Without Replica Repair=False;Jet OLEDB:SFP=False");
  const std::string withUser = orlindo::BuildConnectionString("d.mdb", "admin", "pw");
  EXPECT_NE(withUser.find(";User ID=admin;Data Source=d.mdb;"), std::string::npos);
  EXPECT_NE(withUser.find(";Jet OLEDB:Database Password=\"pw\";Jet OLEDB:Engine Type=5;"), std::string::npos);
}

TEST(QueryText, KeepsBothBlanks) {
  EXPECT_EQ(orlindo::BuildQueryText("T_main", "", "ORDER BY ID"), "SELECT * FROM T_main  ORDER BY ID");
  EXPECT_EQ(orlindo::BuildQueryText("T_main", "", ""), "SELECT * FROM T_main  ");
}

class DbCreateTest : public zavtest::TempDirTest {
 protected:
  // IDs out of file order, a duplicate ID, NULLs, Japanese text.
  std::string SampleDatabase(const std::string& name = "def.mdb") {
    return WriteMdb(Path(name), {DefinitionTable({
                                    {Number(10), Text("ten"), Text("c10"), Text("十")},
                                    {Number(2), Text("two-a"), kNull, Text("二")},
                                    {Number(-5), Text("minus"), Text("c-5"), kNull},
                                    {Number(2), Text("two-b"), Text("c2"), Text("に")},
                                })});
  }
  std::vector<std::string> Column(Dataset& dataset, const std::string& name) {
    std::vector<std::string> values;
    dataset.First();
    for (int i = 0; i < dataset.RecordCount(); ++i) {
      values.push_back(dataset.FieldByName(name));
      dataset.Next();
    }
    return values;
  }
};

TEST_F(DbCreateTest, ConnectResultsAndTheStateTheyLeave) {
  const std::string first = SampleDatabase("first.mdb");
  const std::string second = SampleDatabase("second.mdb");
  Connection connection;

  ASSERT_EQ(orlindo::ConnectDatabase(first, "", "", connection), 0);
  EXPECT_TRUE(connection.Connected());
  EXPECT_NE(connection.ConnectionString().find(";Data Source=" + first + ";"), std::string::npos);

  // Connecting again closes first, then opens with the new string.
  ASSERT_EQ(orlindo::ConnectDatabase(second, "", "", connection), 0);
  EXPECT_NE(connection.ConnectionString().find(";Data Source=" + second + ";"), std::string::npos);

  // -1: no file (a folder does not count); the open connection is not touched.
  EXPECT_EQ(orlindo::ConnectDatabase(Path("absent.mdb"), "", "", connection), -1);
  EXPECT_EQ(orlindo::ConnectDatabase(MakeFolder("folder.mdb"), "", "", connection), -1);
  EXPECT_TRUE(connection.Connected());
  EXPECT_NE(connection.ConnectionString().find(";Data Source=" + second + ";"), std::string::npos);

  // -2: not a database; the new string is kept and the connection is closed.
  const std::string text = Put("text.mdb", "just some text, not a database\n");
  EXPECT_EQ(orlindo::ConnectDatabase(text, "", "", connection), -2);
  EXPECT_FALSE(connection.Connected());
  EXPECT_NE(connection.ConnectionString().find(";Data Source=" + text + ";"), std::string::npos);

  // Opening the table connects again with that string and reports the provider's text.
  Dataset dataset(connection);
  EXPECT_EQ(FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); }),
            "ファイル \"" + text + "\" は Access のデータベースとして読めません");
  EXPECT_FALSE(dataset.Active());
}

TEST_F(DbCreateTest, OpenTableFetchesEveryRowInIdOrder) {
  Connection connection;
  ASSERT_EQ(orlindo::ConnectDatabase(SampleDatabase(), "", "", connection), 0);
  Dataset dataset(connection);
  orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID");
  EXPECT_EQ(dataset.CommandText(), "SELECT * FROM T_main  ORDER BY ID");
  ASSERT_EQ(dataset.RecordCount(), 4);
  // Numbers in numeric order (-5 before 2 before 10); the two 2s keep their file order.
  EXPECT_EQ(Column(dataset, "ID"), (std::vector<std::string>{"-5", "2", "2", "10"}));
  EXPECT_EQ(Column(dataset, "SVGNAME"), (std::vector<std::string>{"minus", "two-a", "two-b", "ten"}));
  EXPECT_EQ(Column(dataset, "Category"), (std::vector<std::string>{"c-5", "", "c2", "c10"}));
  EXPECT_EQ(Column(dataset, "caption"), (std::vector<std::string>{"", "二", "に", "十"}));
  EXPECT_TRUE(dataset.Eof());

  EXPECT_EQ(FailureText([&] { dataset.First(), (void)dataset.FieldByName("UniqueID"); }),
            "フィールド 'UniqueID' が見つかりません");
}

TEST_F(DbCreateTest, TextColumnsOrderAsTextAndTablesMatchWithoutCase) {
  zav::mdb::Table table = DefinitionTable({{Text("10"), Text("a"), kNull, kNull},
                                           {Text("9"), Text("b"), kNull, kNull},
                                           {Text("2"), Text("c"), kNull, kNull}});
  table.columns[0].type = zav::mdb::ColumnType::Text;
  table.name = "t_MAIN";
  Connection connection;
  ASSERT_EQ(orlindo::ConnectDatabase(WriteMdb(Path("text-id.mdb"), {table}), "", "", connection), 0);
  Dataset dataset(connection);
  orlindo::OpenTable(dataset, "T_main", "", "ORDER BY id");
  EXPECT_EQ(Column(dataset, "svgname"), (std::vector<std::string>{"a", "c", "b"}));

  orlindo::OpenTable(dataset, "T_MAIN", "", "");
  EXPECT_EQ(Column(dataset, "svgname"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(DbCreateTest, QueryErrorsNameTheTableOrColumn) {
  const std::string other = WriteMdb(Path("other.mdb"), {[] {
                                       zav::mdb::Table table = DefinitionTable({});
                                       table.name = "T_other";
                                       return table;
                                     }()});
  const std::string noId = WriteMdb(Path("noid.mdb"), {DefinitionTable({}, {"No", "svgname"})});
  Connection connection;
  Dataset dataset(connection);

  ASSERT_EQ(orlindo::ConnectDatabase(other, "", "", connection), 0);
  EXPECT_EQ(FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); }),
            "テーブル 'T_main' がデータベース \"" + other + "\" にありません");

  ASSERT_EQ(orlindo::ConnectDatabase(noId, "", "", connection), 0);
  EXPECT_EQ(FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); }),
            "並べ替えの列 'ID' がテーブル 'T_main' にありません");
  EXPECT_EQ(FailureText([&] { orlindo::OpenTable(dataset, "T_main", "WHERE ID > 1", "ORDER BY ID"); }),
            "SQL 文 \"SELECT * FROM T_main WHERE ID > 1 ORDER BY ID\" は実行できません。WHERE 句には対応していません");
}

TEST_F(DbCreateTest, ClosedConnectionIsOpenedByTheDataset) {
  Connection connection;
  connection.SetConnectionString(orlindo::BuildConnectionString(SampleDatabase(), "", ""));
  Dataset dataset(connection);
  orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID");
  EXPECT_TRUE(connection.Connected());
  EXPECT_EQ(dataset.RecordCount(), 4);
  EXPECT_EQ(FailureText([&] { connection.SetConnectionString("Data Source=x"); }),
            "接続が開いている間は接続文字列を変更できません");
}

// Mend: after a failed connect the dataset connected once more, so a file that timed
// out kept the user waiting twice as long as the message said. The dataset now reports
// the failure of the connect that was just made.
TEST_F(DbCreateTest, AConnectionThatJustFailedIsNotTriedAgain) {
  const std::string path = Put("def.mdb", "not yet a database");
  Connection connection;
  ASSERT_EQ(orlindo::ConnectDatabase(path, "", "", connection), -2);
  SampleDatabase();  // a second attempt would now succeed
  Dataset dataset(connection);
  const std::string refused = "ファイル \"" + path + "\" は Access のデータベースとして読めません";
  EXPECT_EQ(FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); }), refused);

  ASSERT_EQ(orlindo::ConnectDatabase(path, "", "", connection), 0);  // a new connect tries anew
  orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID");
  EXPECT_EQ(dataset.RecordCount(), 4);
}

TEST_F(DbCreateTest, HeldFileIsReadEvenAfterItsNameIsGone) {
  const std::string path = SampleDatabase();
  Connection connection;
  ASSERT_EQ(orlindo::ConnectDatabase(path, "", "", connection), 0);
  std::filesystem::rename(path, Path("moved.mdb"));
  Dataset dataset(connection);
  orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID");
  EXPECT_EQ(dataset.RecordCount(), 4);
}

// Memo values are read whole across pages; one too long for the reader's buffer is
// refused by name instead of being cut.
TEST_F(DbCreateTest, LongMemoValuesAreReadWholeOrRefused) {
  std::string longJapanese;
  for (int i = 0; i < 3000; ++i) longJapanese += "記";
  zav::mdb::Table table = DefinitionTable({{Number(1), Text("abc"), kNull, Value(longJapanese)}});
  table.columns[3].type = zav::mdb::ColumnType::Memo;
  Connection connection;
  Dataset dataset(connection);
  ASSERT_EQ(orlindo::ConnectDatabase(WriteMdb(Path("memo.mdb"), {table}), "", "", connection), 0);
  orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID");
  EXPECT_EQ(dataset.FieldByName("caption"), longJapanese);

  table.rows = {{Number(1), Text("abc"), kNull, Value(std::string(300000, 'x'))}};
  ASSERT_EQ(orlindo::ConnectDatabase(WriteMdb(Path("huge.mdb"), {table}), "", "", connection), 0);
  EXPECT_EQ(FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); }),
            "データベース \"" + Path("huge.mdb") + "\" のテーブル 'T_main' の列 'caption' に長すぎる値があります");
}

TEST_F(DbCreateTest, ReaderOverItsTimeLimitIsStoppedAndReported) {
  Connection connection;
  ASSERT_EQ(orlindo::ConnectDatabase(SampleDatabase(), "", "", connection), 0);
  connection.commandTimeout = std::chrono::milliseconds(0);  // no reader finishes in no time
  Dataset dataset(connection);
  EXPECT_EQ(FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); }),
            "データベース \"" + Path("def.mdb") +
                "\" を読み込めません。0 秒以内に読み終わりませんでした。ファイルが壊れている可能性があります");
  EXPECT_FALSE(dataset.Active());
}

// Rows long enough to fill several data pages, so that a file cut at its last page still
// has whole pages of rows before it.
zav::mdb::Database ManyPagesOfRows() {
  std::vector<zav::mdb::Row> rows;
  for (std::int32_t id = 1; id <= 31; ++id) {
    rows.push_back({Number(id), Text(("sym" + std::to_string(id)).c_str()), Text("地図"),
                    Value(std::string(200, static_cast<char>('a' + id % 26)))});
  }
  zav::mdb::Database database;
  database.tables = {DefinitionTable(std::move(rows))};
  return database;
}

class DamagedDatabaseTest : public DbCreateTest,
                            public ::testing::WithParamInterface<zav::mdb::Damage> {};

// Whatever libmdb makes of the file, the front end gets an error naming the file, or
// every row exactly as written: never a crash, a hang, or rows lost or changed.
TEST_P(DamagedDatabaseTest, EndsInAnErrorNamingTheFileOrReadsEveryRow) {
  const zav::mdb::Database database = ManyPagesOfRows();
  const std::string path = Path("damaged.mdb");
  zav::mdb::WriteDamagedDatabase(database, GetParam(), path);

  Connection connection;
  connection.connectionTimeout = std::chrono::seconds(10);
  connection.commandTimeout = std::chrono::seconds(10);
  const int connected = orlindo::ConnectDatabase(path, "", "", connection);
  EXPECT_TRUE(connected == 0 || connected == -2) << connected;
  Dataset dataset(connection);
  try {
    orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID");
    EXPECT_EQ(connected, 0);
    ASSERT_EQ(dataset.RecordCount(), 31);
    const std::vector<zav::mdb::Row>& rows = database.tables[0].rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(dataset.FieldByName("svgname"), std::get<std::string>(rows[i][1]));
      EXPECT_EQ(dataset.FieldByName("caption"), std::get<std::string>(rows[i][3]));
      dataset.Next();
    }
  } catch (const zav::Failure& failure) {
    EXPECT_NE(failure.message.find("\"" + path + "\""), std::string::npos) << failure.message;
  }
}

// The file of the reliability test: its last page gone, libmdb returns the rows before
// it without a word but on standard error. The table's own row count tells.
TEST_F(DbCreateTest, ALostLastPageIsADamagedDatabase) {
  const std::string path = Path("cut.mdb");
  zav::mdb::WriteDamagedDatabase(ManyPagesOfRows(), zav::mdb::Damage::CutAtLastPage, path);
  Connection connection;
  ASSERT_EQ(orlindo::ConnectDatabase(path, "", "", connection), 0);
  Dataset dataset(connection);
  const std::string message = FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); });
  EXPECT_TRUE(message.starts_with("データベース \"" + path + "\" のテーブル 'T_main' を読めません。"
                                  "ファイルが壊れている可能性があります（31 行のうち "))
      << message;
  EXPECT_TRUE(message.ends_with(" 行しか読めません）")) << message;
  EXPECT_FALSE(dataset.Active());
}

// libmdb 1.0 trusts the usage-map pointer of a table definition: a row number past the
// end sends it through a wild pointer while reading the table. The table list still
// reads, so the connection opens and the crash comes with the rows.
TEST_F(DbCreateTest, ReaderCrashInLibmdbIsContained) {
  zav::mdb::Database database;
  database.tables = {DefinitionTable({{Number(1), Text("abc"), Text("c"), Text("d")}})};
  zav::mdb::Layout layout;
  std::vector<std::uint8_t> bytes = zav::mdb::BuildDatabase(database, layout);
  constexpr std::size_t kPageSize = 4096, kUsageMapRow = 0x37;
  bytes.at(layout.tableDefinitionPages.at(0) * kPageSize + kUsageMapRow) = 0x94;
  const std::string path = Path("crash.mdb");
  zav::mdb::WriteFileAtomically(path, bytes);

  Connection connection;
  ASSERT_EQ(orlindo::ConnectDatabase(path, "", "", connection), 0);
  Dataset dataset(connection);
  const std::string message = FailureText([&] { orlindo::OpenTable(dataset, "T_main", "", "ORDER BY ID"); });
  // Killed by SIGSEGV, or, under AddressSanitizer, ended by its report.
  EXPECT_EQ(message.rfind("データベース \"" + path + "\" を読み込めません。ファイルが壊れている可能性があります（読み込み処理が", 0), 0u)
      << message;
  EXPECT_FALSE(dataset.Active());
}

INSTANTIATE_TEST_SUITE_P(Variants, DamagedDatabaseTest,
                         ::testing::Values(zav::mdb::Damage::CutInDefinition, zav::mdb::Damage::CutInRows,
                                           zav::mdb::Damage::CutAtLastPage,
                                           zav::mdb::Damage::HeaderFlipped,
                                           zav::mdb::Damage::TableDefinitionFlipped,
                                           zav::mdb::Damage::NotADatabase, zav::mdb::Damage::Empty));

}  // namespace
