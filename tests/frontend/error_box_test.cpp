#include "frontend/error_box.h"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>

#include "tests/frontend/fake_dialogs.h"

namespace {

using orlindo::Notice;

struct TextCase {
  const char* message;
  const char* shown;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << '"' << c.message << '"'; }

class ErrorBoxTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(ErrorBoxTextTest, AppendsAFullStopAfterCharactersAboveIt) {
  EXPECT_EQ(orlindo::ErrorBoxText(QString::fromUtf8(GetParam().message)),
            QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Cases, ErrorBoxTextTest,
                         ::testing::Values(TextCase{"/home/u/Orlindo.ini に書き込めません",
                                                    "/home/u/Orlindo.ini に書き込めません."},
                                           TextCase{"Stream read error", "Stream read error."},
                                           TextCase{"done.", "done."},
                                           TextCase{"a-", "a-"},        // U+002D, below "."
                                           TextCase{"(x)", "(x)"},      // U+0029
                                           TextCase{"path/", "path/."},  // U+002F, above
                                           TextCase{"code 5", "code 5."},
                                           TextCase{"smile \xF0\x9F\x98\x80", "smile \xF0\x9F\x98\x80."},
                                           TextCase{"", ""}));

TEST(ApplicationTitleTest, FileNameUpToTheFirstDotWithTheRestLowerCase) {
  const std::pair<const char*, const char*> cases[] = {
      {"ORLINDO.EXE", "Orlindo"}, {"Orlindo", "Orlindo"},   {"orlindo", "orlindo"},
      {"zavBUILD.tar.gz", "zavbuild"}, {".hidden", ""}, {"", ""}};
  for (const auto& [file, title] : cases) {
    EXPECT_EQ(orlindo::TitleFromExecutableName(QString::fromUtf8(file)), QString::fromUtf8(title)) << file;
  }
}

TEST(RunReportingFailuresTest, AFailureEndsTheBodyAndBecomesTheErrorBox) {
  orlindo_test::FakeDialogs dialogs;
  bool after = false;
  EXPECT_FALSE(orlindo::RunReportingFailures(dialogs, [&] {
    throw zav::Failure(zav::ErrorKind::FileCreate, "ファイル \"/s/copyright.txt\" を作成できません。Permission denied");
    after = true;
  }));
  EXPECT_FALSE(orlindo::RunReportingFailures(dialogs, [] { throw std::runtime_error("bad things"); }));
  EXPECT_TRUE(orlindo::RunReportingFailures(dialogs, [&] { after = true; }));
  EXPECT_TRUE(after);
  const std::vector<orlindo_test::Shown> expected = {
      {Notice::Error, QString::fromUtf8("ファイル \"/s/copyright.txt\" を作成できません。Permission denied.")},
      {Notice::Error, QStringLiteral("bad things.")}};
  EXPECT_EQ(dialogs.shown, expected);
}

}  // namespace
