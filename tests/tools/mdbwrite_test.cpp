// The mdbwrite program: a good input gives a database and status 0; bad input a clear
// message on stderr, status 1, and no output file (an existing one stays as it was).
#include <gtest/gtest.h>

#include <string>

#include "tests/support/temp_dir.h"
#include "tests/tools/run_command.h"

namespace {

class MdbwriteTest : public zavtest::TempDirTest {
 protected:
  // Runs mdbwrite with the JSON on stdin; stderr is captured apart from stdout.
  zavtest::CommandResult Run(const std::string& json, const std::string& out) {
    const std::string input = Put("input.json", json);
    const std::string errors = Path("stderr.txt");
    zavtest::CommandResult result = zavtest::RunCommand(
        std::string(MDBWRITE_PATH) + " " + zavtest::Quote(out) + " < " + zavtest::Quote(input) +
        " 2> " + zavtest::Quote(errors));
    stderr_ = Read(errors);
    return result;
  }
  std::string stderr_;
};

TEST_F(MdbwriteTest, WritesTheDatabase) {
  const std::string out = Path("defs.mdb");
  const zavtest::CommandResult result = Run(
      R"({"tables": [{"name": "T_main", "columns": [{"name": "ID", "type": "long"},
          {"name": "svgname", "type": "text"}], "rows": [[2, "b"], [1, null]]}]})",
      out);
  EXPECT_EQ(result.status, 0) << stderr_;
  EXPECT_EQ(stderr_, "");
  EXPECT_EQ(zavtest::RunCommand("mdb-export " + zavtest::Quote(out) + " T_main").output,
            "ID,svgname\n2,\"b\"\n1,\n");
}

struct BadInput {
  const char* label;
  const char* json;
  const char* message;  // the whole line on stderr
};
void PrintTo(const BadInput& c, std::ostream* os) { *os << c.label; }

class MdbwriteBadInputTest : public MdbwriteTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(MdbwriteBadInputTest, FailsClearlyAndLeavesNoFile) {
  const std::string out = Path("defs.mdb");
  const zavtest::CommandResult result = Run(GetParam().json, out);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(stderr_, std::string("mdbwrite: ") + GetParam().message + "\n");
  EXPECT_FALSE(Exists(out));
  EXPECT_EQ(zavtest::RunCommand("ls -A " + zavtest::Quote(Path())).output, "input.json\nstderr.txt\n");
}

const std::string kLongText(256, 'x');
const std::string kTooLong = R"({"tables": [{"name": "T", "columns": [{"name": "c", "type": "text"}],
    "rows": [["ok"], [")" + kLongText + R"("]]}]})";

INSTANTIATE_TEST_SUITE_P(
    Cases, MdbwriteBadInputTest,
    ::testing::Values(
        BadInput{"Malformed", R"({"tables": [)",
                 "malformed JSON: parse error at line 1, column 13: syntax error while parsing value - "
                 "unexpected end of input; expected '[', '{', or a literal"},
        BadInput{"NotAnObject", "[]", "the input must be a JSON object with a \"tables\" array"},
        BadInput{"UnknownType",
                 R"({"tables": [{"name": "T", "columns": [{"name": "c", "type": "integer"}]}]})",
                 "tables[0].columns[0]: unknown type \"integer\" (long, text or memo)"},
        BadInput{"UnknownKey", R"({"tables": [{"name": "T", "colums": []}]})",
                 "tables[0]: unknown key \"colums\""},
        BadInput{"RowTooNarrow",
                 R"({"tables": [{"name": "T", "columns": [{"name": "a", "type": "long"},
                     {"name": "b", "type": "text"}], "rows": [[1, "x"], [2]]}]})",
                 "tables[0].rows[1]: has 1 values for 2 columns"},
        BadInput{"TextTooLong", kTooLong.c_str(),
                 "table \"T\", row 2, column \"c\": text of 256 characters is longer than the column's 255"},
        BadInput{"LongOutOfRange",
                 R"({"tables": [{"name": "T", "columns": [{"name": "a", "type": "long"}], "rows": [[2147483648]]}]})",
                 "tables[0].rows[0][0]: 2147483648 is outside the range of a long (-2147483648 to 2147483647)"},
        BadInput{"Fraction",
                 R"({"tables": [{"name": "T", "columns": [{"name": "a", "type": "long"}], "rows": [[1.5]]}]})",
                 "tables[0].rows[0][0]: 1.5 is not a whole number, a string or null"},
        BadInput{"TextInLong",
                 R"({"tables": [{"name": "T", "columns": [{"name": "a", "type": "long"}], "rows": [["1"]]}]})",
                 "table \"T\", row 1, column \"a\": a long column takes a whole number or null"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(MdbwriteTest, FailureLeavesAnExistingFileUntouched) {
  const std::string out = Put("defs.mdb", "previous contents");
  EXPECT_EQ(Run(R"({"tables": 1})", out).status, 1);
  EXPECT_EQ(stderr_, "mdbwrite: the input: \"tables\" must be an array\n");
  EXPECT_EQ(Read(out), "previous contents");
}

TEST_F(MdbwriteTest, UnwritableOutputIsReported) {
  const std::string out = Path("no such folder/defs.mdb");
  EXPECT_EQ(Run(R"({"tables": []})", out).status, 1);
  EXPECT_EQ(stderr_, "mdbwrite: Cannot create file \"" + out + "\". No such file or directory\n");
}

TEST_F(MdbwriteTest, WrongCommandLineGivesUsage) {
  const zavtest::CommandResult result =
      zavtest::RunCommand(std::string(MDBWRITE_PATH) + " a.mdb b.mdb 2>&1 < /dev/null");
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.output.rfind("usage: mdbwrite OUT.mdb < tables.json\n", 0), 0u) << result.output;
}

}  // namespace
