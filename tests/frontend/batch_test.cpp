#include "frontend/batch.h"

#include <cstdio>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

using orlindo::CommandLine;
using orlindo::Field;
using Mode = orlindo::CommandLine::Mode;

struct ParseCase {
  std::vector<const char*> arguments;
  Mode mode;
  const char* error;
};
class ParseCommandLineTest : public ::testing::TestWithParam<ParseCase> {};
TEST_P(ParseCommandLineTest, SortsTheCommandLine) {
  QStringList arguments{QStringLiteral("Orlindo")};
  for (const char* argument : GetParam().arguments) arguments << QString::fromUtf8(argument);
  const CommandLine line = orlindo::ParseCommandLine(arguments);
  EXPECT_EQ(line.mode, GetParam().mode);
  EXPECT_EQ(line.error, QString::fromUtf8(GetParam().error));
}
INSTANTIATE_TEST_SUITE_P(Cases, ParseCommandLineTest, ::testing::Values(
    ParseCase{{}, Mode::Window, ""},
    ParseCase{{"--batch"}, Mode::Batch, ""},
    ParseCase{{"--help"}, Mode::Help, ""},
    ParseCase{{"--batch", "-h"}, Mode::Help, ""},
    ParseCase{{"--version"}, Mode::Version, ""},
    ParseCase{{"-platform", "offscreen", "-style=fusion", "-reverse"}, Mode::Window, ""},  // Qt's own
    ParseCase{{"-platform", "offscreen", "--batch"}, Mode::Batch, ""},
    ParseCase{{"--platform", "offscreen"}, Mode::Usage, "Unknown option 'platform'."},  // "--" is ours
    ParseCase{{"--verbose"}, Mode::Usage, "Unknown option 'verbose'."},
    ParseCase{{"-x"}, Mode::Usage, "Unknown option 'x'."},
    ParseCase{{"a.mdb"}, Mode::Usage, "Unexpected argument: a.mdb"},
    ParseCase{{"-name", "a", "--name", "b"}, Mode::Usage, "--name needs --batch"},
    ParseCase{{"--batch", "--verbose"}, Mode::Usage, "Unknown option 'verbose'."},
    ParseCase{{"--batch", "--mdb"}, Mode::Usage, "Missing value after '--mdb'."},
    ParseCase{{"--batch", "a.mdb"}, Mode::Usage, "Unexpected argument: a.mdb"},
    ParseCase{{"--name", "x"}, Mode::Usage, "--name needs --batch"}));

TEST(ParseCommandLine, TakesEachInputFromItsOptionAsItStands) {
  const CommandLine line = orlindo::ParseCommandLine(
      {"Orlindo", "--batch", "--mdb", "定義.mdb", "--svg= a b ", "--name", "", "--copyright", "© 会社"});
  ASSERT_EQ(line.mode, Mode::Batch);
  EXPECT_EQ(line.inputs[static_cast<int>(Field::Kihonmdb)], QStringLiteral("定義.mdb"));
  EXPECT_EQ(line.inputs[static_cast<int>(Field::SVGFolder)], QStringLiteral(" a b "));
  EXPECT_EQ(line.inputs[static_cast<int>(Field::OutFolder)], std::nullopt);
  EXPECT_EQ(line.inputs[static_cast<int>(Field::Uniqkey)], QString());
  EXPECT_EQ(line.inputs[static_cast<int>(Field::Copyright)], QStringLiteral("© 会社"));
}

// Everything but the window is decided without a display, a wrong command line too.
TEST(WantsConsole, ForAnythingButTheWindow) {
  const char* window[] = {"Orlindo", "-platform", "offscreen", "-qwindowtitle", "--batch"};
  const char* batch[] = {"Orlindo", "--out", "x", "--batch"};
  const char* inputOnly[] = {"Orlindo", "--svg=x"};
  const char* version[] = {"Orlindo", "--version"};
  const char* unknown[] = {"Orlindo", "--verbose"};
  const char* afterEnd[] = {"Orlindo", "--", "--batch"};
  EXPECT_FALSE(orlindo::WantsConsole(5, const_cast<char**>(window)));  // a value is never an option
  EXPECT_TRUE(orlindo::WantsConsole(4, const_cast<char**>(batch)));
  EXPECT_TRUE(orlindo::WantsConsole(2, const_cast<char**>(inputOnly)));
  EXPECT_TRUE(orlindo::WantsConsole(2, const_cast<char**>(version)));
  EXPECT_TRUE(orlindo::WantsConsole(2, const_cast<char**>(unknown)));
  EXPECT_TRUE(orlindo::WantsConsole(3, const_cast<char**>(afterEnd)));
}

class BatchDialogsTest : public zavtest::TempDirTest {};

TEST_F(BatchDialogsTest, PrintsEachDialogAsOneLine) {
  const std::string path = Path("stderr");
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  orlindo::BatchDialogs dialogs(file, QStringLiteral("Orlindo"));
  dialogs.Show(orlindo::Notice::Warning,
               QStringLiteral("次のファイルが見つかりませんでした\r\r/s/a.svg\r\n/s/b c.svg\r\n"));
  dialogs.Show(orlindo::Notice::Information, QStringLiteral("処理終了しました．"));
  dialogs.Show(orlindo::Notice::Error, QStringLiteral("/r/zavbuildを起動できません."));
  EXPECT_EQ(dialogs.PickFolder(QStringLiteral("/")), std::nullopt);
  std::fclose(file);
  EXPECT_EQ(Read(path),
            "警告: 次のファイルが見つかりませんでした | /s/a.svg | /s/b c.svg\n"
            "情報: 処理終了しました．\n"
            "Orlindo: /r/zavbuildを起動できません.\n");
}

}  // namespace
