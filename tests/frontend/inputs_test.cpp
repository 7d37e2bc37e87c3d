#include "frontend/inputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "tests/support/temp_dir.h"
#include "tests/frontend/fake_dialogs.h"
#include "tests/frontend/fake_view.h"

namespace {

using orlindo::Field;
using orlindo::Notice;

const QString kDatabase = QStringLiteral("定義データベースを正しく指定してください");
const QString kSvg = QStringLiteral("SVGファイルフォルダを正しく指定してください");
const QString kOut = QStringLiteral("出力フォルダを正しく指定してください");
const QString kUniq = QStringLiteral("ライブラリユニーク名を正しく指定してください");
const QString kCopyright = QStringLiteral("Copyrightを正しく指定してください");
const QString kBadName = QStringLiteral(
    "ライブラリユニーク名を正しく指定してください（「/」「\\」と制御文字は使えません。「.」「..」だけの名前も使えません）");

struct InputsCase {
  const char* name;
  // Paths below the test folder ("" stays empty); the last two are texts.
  const char* database;
  const char* svgFolder;
  const char* outFolder;
  const char* uniqkey;
  const char* copyright;
  std::vector<QString> warnings;
};

void PrintTo(const InputsCase& c, std::ostream* os) { *os << c.name; }

class CheckInputsTest : public zavtest::TempDirTest,
                        public ::testing::WithParamInterface<InputsCase> {
 protected:
  // The tree every case picks from.
  void SetUp() override {
    TempDirTest::SetUp();
    Put("db.mdb", "");
    MakeFolder("svg");
    MakeFolder("out");
    std::filesystem::create_symlink("db.mdb", Path("link.mdb"));
    std::filesystem::create_symlink("gone.mdb", Path("dangling.mdb"));
    std::filesystem::create_symlink("svg", Path("svglink"));
  }

  QString Under(const char* relative) const {
    return *relative == '\0' ? QString() : QString::fromStdString(Path(relative));
  }
};

TEST_P(CheckInputsTest, WarnsOncePerFailedCheckInOrder) {
  const InputsCase& c = GetParam();
  orlindo_test::FieldsView view;
  view.fields = {Under(c.database), Under(c.svgFolder), Under(c.outFolder),
                 QString::fromUtf8(c.uniqkey), QString::fromUtf8(c.copyright)};
  orlindo_test::FakeDialogs dialogs;
  EXPECT_EQ(orlindo::CheckInputs(view, dialogs), -static_cast<int>(c.warnings.size()));
  EXPECT_EQ(dialogs.Texts(Notice::Warning), c.warnings);
  EXPECT_EQ(dialogs.shown.size(), c.warnings.size());  // warnings only, no other dialog
  // The focus goes to the field of the first warning, or stays where it was.
  const std::map<QString, Field> fieldOf = {{kDatabase, Field::Kihonmdb}, {kSvg, Field::SVGFolder},
                                            {kOut, Field::OutFolder}, {kUniq, Field::Uniqkey},
                                            {kBadName, Field::Uniqkey}, {kCopyright, Field::Copyright}};
  EXPECT_EQ(view.focused, c.warnings.empty() ? std::nullopt : std::optional(fieldOf.at(c.warnings.front())));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckInputsTest,
    ::testing::Values(
        InputsCase{"AllRight", "db.mdb", "svg", "out", "korimo", "(c) Zavora", {}},
        InputsCase{"AllWrong", "", "missing", "db.mdb", "", "", {kDatabase, kSvg, kOut, kUniq, kCopyright}},
        InputsCase{"OnlyCopyrightEmpty", "db.mdb", "svg", "out", "korimo", "", {kCopyright}},
        InputsCase{"BlanksAreNotEmpty", "db.mdb", "svg", "out", " ", "   ", {}},
        InputsCase{"FolderAsDatabase", "svg", "svg", "out", "k", "c", {kDatabase}},
        InputsCase{"LinksCountByTheirTargets", "link.mdb", "svglink", "svglink", "k", "c", {}},
        InputsCase{"DanglingLink", "dangling.mdb", "svg", "out", "k", "c", {kDatabase}},
        InputsCase{"FileAsFolders", "db.mdb", "db.mdb", "link.mdb", "k", "c", {kSvg, kOut}},
        // One folder wrong and the other right: each check reads its own field.
        InputsCase{"OnlySvgFolderWrong", "db.mdb", "missing", "out", "k", "c", {kSvg}},
        InputsCase{"OnlyOutFolderWrong", "db.mdb", "svg", "missing", "k", "c", {kOut}},
        // A name that would leave the output folder or split the index lines; the
        // compiler refuses them too.
        InputsCase{"NameLeavesTheFolder", "db.mdb", "svg", "out", "../escaped", "c", {kBadName}},
        InputsCase{"NameWithBackslash", "db.mdb", "svg", "out", "a\\b", "c", {kBadName}},
        InputsCase{"NameWithLineBreak", "db.mdb", "svg", "out", "a\r\nb", "c", {kBadName}},
        InputsCase{"NameWithTab", "db.mdb", "svg", "out", "a\tb", "c", {kBadName}},
        InputsCase{"NameDot", "db.mdb", "svg", "out", ".", "", {kBadName, kCopyright}},
        InputsCase{"NameDotDot", "db.mdb", "svg", "out", "..", "c", {kBadName}},
        InputsCase{"DotsInANameAreFine", "db.mdb", "svg", "out", "..a.b..", "c", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Texts are used as they stand: a trailing blank makes another, missing path.
TEST_F(CheckInputsTest, PathsAreNotTrimmed) {
  orlindo_test::FieldsView view;
  view.fields = {Under("db.mdb") + u' ', Under("svg") + u' ', u' ' + Under("out"), "k", "c"};
  orlindo_test::FakeDialogs dialogs;
  EXPECT_EQ(orlindo::CheckInputs(view, dialogs), -3);
}

}  // namespace
