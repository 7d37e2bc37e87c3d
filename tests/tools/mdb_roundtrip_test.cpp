// Files written at test time and read back by mdbtools' programs and by libmdb itself:
// the bar is that what was written comes back exactly, in the order written.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "tests/tools/libmdb_reader.h"
#include "tools/mdb/mdb_writer.h"
#include "tests/tools/run_command.h"

namespace {

using zav::mdb::ColumnType;
using zav::mdb::Database;
using zav::mdb::Table;
using zav::mdb::kNull;
using zav::mdb::Value;

Value Text(const char* text) { return std::string(text); }

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Columns named as a user might have typed them, rows deliberately out of ID order.
Table MainTable() {
  return Table{"T_main",
               {{"ID", ColumnType::Long},
                {"SVGNAME", ColumnType::Text},
                {"Category", ColumnType::Text, 40},
                {"caption", ColumnType::Memo}},
               {{3, Text("road"), Text("道路"), Text("国道の標識")},
                {1, Text("記号A"), kNull, kNull},
                {-2147483647 - 1, kNull, Text("x"), Text("he said \"hi\"")},
                {2147483647, Text("ABCDEF記号gh"), Text("\uFEFFa"), Text("円A記号")}}};
}

class MdbRoundTripTest : public zavtest::TempDirTest {
 protected:
  std::string Write(const Database& database) {
    const std::string path = Path("db.mdb");
    zav::mdb::WriteDatabase(database, path);
    return path;
  }
  static std::string Tool(const std::string& program, const std::string& arguments) {
    const zavtest::CommandResult result = zavtest::RunCommand(program + " " + arguments + " 2>&1");
    EXPECT_EQ(result.status, 0) << program << ": " << result.output;
    return result.output;
  }
};

TEST_F(MdbRoundTripTest, MdbtoolsProgramsReadNamesTypesAndRows) {
  const Table other{"記号 一覧", {{"番号", ColumnType::Long}}, {{7}}};
  const std::string path = Write(Database{{MainTable(), other}});

  EXPECT_EQ(Tool("mdb-ver", zavtest::Quote(path)), "JET4\n");
  EXPECT_EQ(Tool("mdb-tables", "-1 " + zavtest::Quote(path)), "T_main\n記号 一覧\n");

  const std::string schema = Tool("mdb-schema", zavtest::Quote(path) + " access");
  EXPECT_NE(schema.find("CREATE TABLE [T_main]\n (\n"
                        "\t[ID]\t\t\tLong Integer, \n"
                        "\t[SVGNAME]\t\t\tText (255), \n"
                        "\t[Category]\t\t\tText (40), \n"
                        "\t[caption]\t\t\tMemo/Hyperlink (255)\n);"),
            std::string::npos)
      << schema;

  EXPECT_EQ(Tool("mdb-export", "-0 NULL " + zavtest::Quote(path) + " T_main"),
            "ID,SVGNAME,Category,caption\n"
            "3,\"road\",\"道路\",\"国道の標識\"\n"
            "1,\"記号A\",NULL,NULL\n"
            "-2147483648,NULL,\"x\",\"he said \"\"hi\"\"\"\n"
            "2147483647,\"ABCDEF記号gh\",\"\uFEFFa\",\"円A記号\"\n");
  EXPECT_EQ(Tool("mdb-export", zavtest::Quote(path) + " '記号 一覧'"), "番号\n7\n");
}

TEST_F(MdbRoundTripTest, LibmdbReadsTheHeaderAsWritten) {
  const std::string path = Write(Database{{MainTable()}});
  zavtest::MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  ASSERT_TRUE(mdb);
  EXPECT_EQ(mdb->f->jet_version, static_cast<guint32>(MDB_VER_JET4));
  EXPECT_EQ(mdb->f->db_key, 0u);  // anything else would make every page read as encrypted
  EXPECT_EQ(mdb->f->code_page, 1252);
  EXPECT_EQ(mdb->f->lang_id, 0x409);
}

TEST_F(MdbRoundTripTest, LibmdbReadsColumnsAndValues) {
  const std::string path = Write(Database{{MainTable()}});
  const zavtest::ReadBack read = zavtest::ReadWithLibmdb(path, "T_main");
  ASSERT_EQ(read.error, "");
  ASSERT_EQ(read.columns.size(), 4u);
  EXPECT_EQ(read.columns[0].name, "ID");
  EXPECT_EQ(read.columns[0].type, MDB_LONGINT);
  EXPECT_EQ(read.columns[1].name, "SVGNAME");
  EXPECT_EQ(read.columns[1].type, MDB_TEXT);
  EXPECT_EQ(read.columns[1].size, 510);  // bytes: Jet 4 counts two per character
  EXPECT_EQ(read.columns[2].name, "Category");
  EXPECT_EQ(read.columns[2].size, 80);
  EXPECT_EQ(read.columns[3].type, MDB_MEMO);
  const std::vector<std::vector<std::string>> expected{
      {"3", "road", "道路", "国道の標識"},
      {"1", "記号A", "", ""},
      {"-2147483648", "", "x", "he said \"hi\""},
      {"2147483647", "ABCDEF記号gh", "\uFEFFa", "円A記号"}};
  EXPECT_EQ(read.rows, expected);
}

// 0, 1 and 5,000 rows; 5,000 spans many data pages, the memos take all three ways of
// storing one (inline, one long-value row, a chain of rows).
class RowCountTest : public MdbRoundTripTest, public ::testing::WithParamInterface<int> {};

std::string MemoFor(int i) {
  if (i % 1000 == 999) return Repeat("長", 1500);  // one long-value row
  if (i % 3 == 0) return "";
  return Repeat("m", i % 40);
}

TEST_P(RowCountTest, EveryRowComesBackInOrder) {
  Table table{"T_main",
              {{"ID", ColumnType::Long}, {"svgname", ColumnType::Text}, {"note", ColumnType::Memo}},
              {}};
  std::string expectedCsv;
  std::vector<std::vector<std::string>> expectedRows;
  for (int i = 0; i < GetParam(); ++i) {
    const int id = GetParam() - i;  // descending: storage order, not ID order
    const std::string name = "sym" + std::to_string(id) + "_記号";
    table.rows.push_back({id, name, MemoFor(i)});
    expectedCsv += std::to_string(id) + "\t" + name + "\t" + MemoFor(i) + "\n";
    expectedRows.push_back({std::to_string(id), name, MemoFor(i)});
  }
  const std::string path = Write(Database{{table}});
  EXPECT_EQ(Tool("mdb-export", "-H -Q -d '\t' " + zavtest::Quote(path) + " T_main"), expectedCsv);
  const zavtest::ReadBack read = zavtest::ReadWithLibmdb(path, "T_main");
  ASSERT_EQ(read.error, "");
  EXPECT_EQ(read.rows, expectedRows);
}

INSTANTIATE_TEST_SUITE_P(Counts, RowCountTest, ::testing::Values(0, 1, 5000));

TEST_F(MdbRoundTripTest, TenThousandCharacterMemosComeBackWhole) {
  const std::string ascii = Repeat("0123456789", 1000);
  const std::string japanese = Repeat("漢字かな交じり文。", 1111) + "終";  // 10,000 characters
  const Table table{"Memos",
                    {{"ID", ColumnType::Long}, {"body", ColumnType::Memo}},
                    {{1, ascii}, {2, japanese}, {3, kNull}}};
  const std::string path = Write(Database{{table}});
  EXPECT_EQ(Tool("mdb-export", "-H " + zavtest::Quote(path) + " Memos"),
            "1,\"" + ascii + "\"\n2,\"" + japanese + "\"\n3,\n");
  const zavtest::ReadBack read = zavtest::ReadWithLibmdb(path, "Memos");
  ASSERT_EQ(read.rows.size(), 3u);
  EXPECT_EQ(read.rows[0][1], ascii);
  EXPECT_EQ(read.rows[1][1], japanese);
}

// Two hundred columns with long names take a definition of several pages.
TEST_F(MdbRoundTripTest, DefinitionSpanningPagesIsReadWhole) {
  Table table{"Wide", {}, {{}}};
  std::vector<std::string> expected;
  for (int i = 0; i < 200; ++i) {
    const std::string name = "column with a rather long name " + std::to_string(i);
    // Appended, not "v" + ...: GCC 12 warns falsely (-Wrestrict) on a literal plus a temporary.
    const std::string text = std::string("v").append(std::to_string(i));
    if (i % 2 == 0) {
      table.columns.push_back({name, ColumnType::Long});
      table.rows[0].push_back(i);
    } else {
      table.columns.push_back({name, ColumnType::Text, 5});
      table.rows[0].push_back(text);
    }
    expected.push_back(i % 2 == 0 ? std::to_string(i) : text);
  }
  const std::string path = Write(Database{{table}});
  const zavtest::ReadBack read = zavtest::ReadWithLibmdb(path, "Wide");
  ASSERT_EQ(read.error, "");
  ASSERT_EQ(read.columns.size(), 200u);
  EXPECT_EQ(read.columns[199].name, "column with a rather long name 199");
  ASSERT_EQ(read.rows.size(), 1u);
  EXPECT_EQ(read.rows[0], expected);
}

TEST_F(MdbRoundTripTest, DatabaseWithoutTablesOpens) {
  const std::string path = Write(Database{});
  EXPECT_EQ(Tool("mdb-tables", "-1 " + zavtest::Quote(path)), "");
}

}  // namespace
