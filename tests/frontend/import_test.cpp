// ImportDefinitions end to end on written .mdb files: the descriptor files and the
// copyright file byte for byte, the missing-file warning, the status texts, every
// failure with what it leaves on disk, and the mends (names leading outside the SVG
// folder, line breaks in values, a database file that vanished).
#include "frontend/import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/failure.h"
#include "platform/private_profile.h"
#include "tests/frontend/fake_dialogs.h"
#include "tests/frontend/fake_view.h"
#include "tests/frontend/mdb_fixture.h"
#include "tests/frontend/scoped_env.h"
#include "tests/support/bytes.h"
#include "tests/support/code_page.h"
#include "tests/support/temp_dir.h"

#include "tests/frontend/failure_text.h"

namespace {

using namespace orlindotest;
using orlindo::Field;
using orlindo::Notice;

// Keeps every status text, so that both of the import's texts can be checked.
class StatusRecordingView : public orlindo_test::FieldsView {
 public:
  void SetStatusText(const QString& text) override {
    statusTexts.push_back(text);
    FieldsView::SetStatusText(text);
  }
  std::vector<QString> statusTexts;
};

const std::string kUtf8Mark = "\xEF\xBB\xBF";

class ImportTest : public zavtest::TempDirTest {
 protected:
  void SetUp() override {
    zavtest::TempDirTest::SetUp();
    svg_ = MakeFolder("svg");
    SetField(Field::SVGFolder, svg_);
    SetField(Field::Copyright, "© Zavora 地図");
  }

  void SetField(Field field, const std::string& text) { view_.SetFieldText(field, QString::fromStdString(text)); }

  void UseDatabase(std::vector<zav::mdb::Row> rows,
                   std::vector<std::string> names = {"ID", "svgname", "category", "caption"}) {
    SetField(Field::Kihonmdb, WriteMdb(Path("def.mdb"), {DefinitionTable(std::move(rows), std::move(names))}));
  }

  void Import() { orlindo::ImportDefinitions(view_, dialogs_, connection_); }

  std::string ImportFailure() { return orlindotest::FailureText([this] { Import(); }); }

  std::string Svg(const std::string& relative) const { return svg_ + "/" + relative; }

  static std::string Descriptor(const char* category, const char* caption) {
    return std::string("[INFO]\r\nCATEGORY=") + category + "\r\nCAPTION=" + caption + "\r\n";
  }

  std::vector<std::string> DescriptorFiles() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_)) {
      if (entry.path().extension() == ".inf") found.push_back(entry.path().lexically_relative(root_).string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  std::string svg_;
  StatusRecordingView view_;
  orlindo_test::FakeDialogs dialogs_;
  orlindo::Connection connection_;
};

TEST_F(ImportTest, WritesDescriptorsForExistingFilesAndWarnsOfTheRest) {
  for (const char* file : {"abc.svg", "a.b.svg", "sub/x.svg", "v1.2/x.svg", ".svg"}) Put("svg/" + std::string(file), "<svg/>");
  MakeFolder("svg/folder.svg");
  // File order differs from ID order; the warning lists the missing paths in ID order.
  UseDatabase({
      {Number(7), Text("gone"), Text("c7"), Text("p7")},
      {Number(1), Text("abc"), Text("地図記号"), Text("公園のベンチ")},
      {Number(2), Text("a.b"), Text("c2"), Text("p2")},
      {Number(3), Text("sub/x"), kNull, kNull},
      {Number(4), Text("v1.2\\x"), Text("c4"), Text("p4")},
      {Number(5), kNull, kNull, kNull},
      {Number(6), Text("abc.svg"), Text("c6"), Text("p6")},
      {Number(8), Text("gone"), Text("c8"), Text("p8")},
      {Number(9), Text("folder"), Text("c9"), Text("p9")},
  });

  Import();

  // A NULL svgname has an empty stem: its ".svg.inf" would belong to no symbol.
  EXPECT_EQ(DescriptorFiles(), (std::vector<std::string>{"svg/a.svg.inf", "svg/abc.svg.inf", "svg/sub/x.svg.inf",
                                                         "svg/v1.2/x.svg.inf"}));
  EXPECT_EQ(Read(Svg("abc.svg.inf")), Descriptor("地図記号", "公園のベンチ"));
  EXPECT_EQ(Read(Svg("a.svg.inf")), Descriptor("c2", "p2"));  // named from the stem
  EXPECT_EQ(Read(Svg("sub/x.svg.inf")), Descriptor("", ""));       // NULLs as empty values
  EXPECT_EQ(Read(Svg("v1.2/x.svg.inf")), Descriptor("c4", "p4"));  // "\" read as "/"

  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].kind, Notice::Warning);
  EXPECT_EQ(dialogs_.shown[0].text.toStdString(),
            "次のファイルが見つかりませんでした\r\r" + Svg(".svg") + "\r\n" + Svg("abc.svg.svg") + "\r\n" +
                Svg("gone.svg") + "\r\n" + Svg("gone.svg") + "\r\n" + Svg("folder.svg") + "\r\n");

  EXPECT_EQ(Read(Svg("copyright.txt")), kUtf8Mark + "© Zavora 地図\r\n");
  EXPECT_EQ(view_.statusTexts, (std::vector<QString>{QStringLiteral("データベースに接続中.."),
                                                     QStringLiteral("処理完了.")}));
  EXPECT_FALSE(connection_.Connected());
  EXPECT_NE(connection_.ConnectionString().find("Data Source=" + Path("def.mdb") + ";"), std::string::npos);
}

TEST_F(ImportTest, ColumnNamesInOtherCaseAndTheLaterRowOfASvgnameWin) {
  Put("svg/abc.svg", "<svg/>");
  UseDatabase({{Number(2), Text("abc"), Text("later"), Text("後")},
               {Number(1), Text("abc"), Text("earlier"), Text("前")}},
              {"id", "SVGNAME", "Category", "CAPTION"});
  Import();
  EXPECT_EQ(Read(Svg("abc.svg.inf")), Descriptor("later", "後"));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(ImportTest, ExistingDescriptorKeepsUniqueIdAndItsOtherLines) {
  Put("svg/abc.svg", "<svg/>");
  Put("svg/abc.svg.inf", "; made by hand\r\n[INFO]\r\nUniqueID=PB-1\r\nCATEGORY=old\r\nnote=x\r\n[MORE]\r\nk=v\r\n");
  UseDatabase({{Number(1), Text("abc"), Text("new"), Text("キャプション")}});
  Import();
  EXPECT_EQ(Read(Svg("abc.svg.inf")),
            "; made by hand\r\n[INFO]\r\nUniqueID=PB-1\r\nCATEGORY=new\r\nnote=x\r\nCAPTION=キャプション\r\n"
            "[MORE]\r\nk=v\r\n");
}

TEST_F(ImportTest, EmptyTableStillWritesTheCopyrightFile) {
  UseDatabase({});
  Import();
  EXPECT_TRUE(DescriptorFiles().empty());
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(Read(Svg("copyright.txt")), kUtf8Mark + "© Zavora 地図\r\n");
  EXPECT_EQ(view_.StatusText(), QStringLiteral("処理完了."));
}

TEST_F(ImportTest, FolderTextEndingInSeparatorGivesDoubledSeparators) {
  Put("svg/abc.svg", "<svg/>");
  SetField(Field::SVGFolder, svg_ + "/");
  UseDatabase({{Number(1), Text("abc"), Text("c"), Text("p")}, {Number(2), Text("gone"), Text("c"), Text("p")}});
  Import();
  EXPECT_EQ(Read(Svg("abc.svg.inf")), Descriptor("c", "p"));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text.toStdString(), "次のファイルが見つかりませんでした\r\r" + svg_ + "//gone.svg\r\n");
}

// Mend: a name that leads outside the SVG folder is never used to write there; it is
// listed as missing, even where a file of that name exists. Every joined path below
// names an existing file, so only the refusal keeps the descriptor from being written.
TEST_F(ImportTest, NamesLeadingOutsideTheFolderAreListedAsMissing) {
  Put("outside.svg", "<svg/>");
  Put("svg/abc.svg", "<svg/>");
  MakeFolder("svg/sub");
  const std::string absolute = Path("outside");
  Put("svg/" + absolute + ".svg", "<svg/>");  // what the absolute name gives, joined
  UseDatabase({{Number(1), Text("../outside"), Text("c"), Text("p")},
               {Number(2), Text(absolute.c_str()), Text("c"), Text("p")},
               {Number(3), Text("sub\\..\\abc"), Text("c"), Text("p")},
               {Number(4), Text("sub/../../outside"), Text("c"), Text("p")},
               {Number(5), Text("..abc"), Text("c"), Text("p")}});
  Put("svg/..abc.svg", "<svg/>");
  Import();
  // ".." counts only as a whole name; "..abc" stays inside (its stem, by the rule, is ".").
  EXPECT_EQ(DescriptorFiles(), (std::vector<std::string>{"svg/..svg.inf"}));
  EXPECT_FALSE(Exists(Path("outside.svg.inf")));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text.toStdString(),
            "次のファイルが見つかりませんでした\r\r" + Svg("../outside.svg") + "\r\n" + svg_ + "/" + absolute +
                ".svg\r\n" + Svg("sub/../abc.svg") + "\r\n" + Svg("sub/../../outside.svg") + "\r\n");
}

// Mend: a line break in a value would add lines to the descriptor file.
TEST_F(ImportTest, LineBreaksInValuesBecomeOneBlankEach) {
  Put("svg/abc.svg", "<svg/>");
  UseDatabase({{Number(1), Text("abc"), Text("a\r\nUniqueID=X"), Text("one\ntwo\rthree\r\n\r\nfour")}});
  Import();
  EXPECT_EQ(Read(Svg("abc.svg.inf")), Descriptor("a UniqueID=X", "one two three  four"));
}

// Mend: links in the SVG folder carried the import's writes outside it. A linked
// descriptor, one beyond a linked folder and a FIFO in a descriptor's place are listed
// and left as they are; the symbols are still found through the links.
TEST_F(ImportTest, LinksAndSpecialFilesAreListedAndNeverWrittenThrough) {
  Put("svg/abc.svg", "<svg/>");
  const std::string target = Put("target.inf", "[INFO]\r\nCAPTION=target\r\n");
  std::filesystem::create_symlink(target, Svg("abc.svg.inf"));
  Put("elsewhere/x.svg", "<svg/>");
  std::filesystem::create_directory_symlink(Path("elsewhere"), Svg("sub"));
  Put("svg/fifo.svg", "<svg/>");
  ASSERT_EQ(mkfifo(Svg("fifo.svg.inf").c_str(), 0600), 0);
  Put("svg/ok.svg", "<svg/>");
  UseDatabase({{Number(1), Text("abc"), Text("c1"), Text("p1")},
               {Number(2), Text("sub/x"), Text("c2"), Text("p2")},
               {Number(3), Text("fifo"), Text("c3"), Text("p3")},
               {Number(4), Text("ok"), Text("c4"), Text("p4")}});

  Import();
  EXPECT_EQ(dialogs_.shown, (std::vector<orlindo_test::Shown>{
                                {Notice::Warning, QString::fromStdString(
                                                      "次のファイルはリンクか通常のファイルではないため、書き込みませんでした\r\r" +
                                                      Svg("abc.svg.inf") + "\r\n" + Svg("sub/x.svg.inf") + "\r\n" +
                                                      Svg("fifo.svg.inf") + "\r\n")}}));
  EXPECT_EQ(Read(target), "[INFO]\r\nCAPTION=target\r\n");
  EXPECT_TRUE(std::filesystem::is_symlink(Svg("abc.svg.inf")));
  EXPECT_FALSE(Exists(Path("elsewhere/x.svg.inf")));
  EXPECT_TRUE(std::filesystem::is_fifo(Svg("fifo.svg.inf")));
  EXPECT_EQ(Read(Svg("ok.svg.inf")), Descriptor("c4", "p4"));
  EXPECT_EQ(view_.StatusText(), QStringLiteral("処理完了."));
}

// The copyright file is the whole library's: a link or a FIFO in its place ends the
// import, naming it, before anything is written.
TEST_F(ImportTest, ACopyrightFileThatIsALinkOrAFifoEndsTheImportUnwritten) {
  Put("svg/abc.svg", "<svg/>");
  UseDatabase({{Number(1), Text("abc"), Text("c"), Text("p")}});
  const std::string target = Put("theirs.txt", "someone else's\r\n");
  std::filesystem::create_symlink(target, Svg("copyright.txt"));
  EXPECT_EQ(ImportFailure(), "ファイル \"" + Svg("copyright.txt") + "\" を作成できません。Is a symbolic link");
  EXPECT_EQ(Read(target), "someone else's\r\n");

  std::filesystem::remove(Svg("copyright.txt"));
  ASSERT_EQ(mkfifo(Svg("copyright.txt").c_str(), 0600), 0);
  EXPECT_EQ(ImportFailure(), "ファイル \"" + Svg("copyright.txt") + "\" を作成できません。Not a regular file");
  EXPECT_TRUE(DescriptorFiles().empty());
}

// Mend: "sub/" named "<SVG folder>/sub/.svg" and left "sub/.svg.inf", a descriptor of no
// symbol. A name with nothing after its last "/" is a missing symbol.
TEST_F(ImportTest, ANameEndingInASlashIsAMissingSymbol) {
  Put("svg/sub/.svg", "<svg/>");
  Put("svg/sub/.x.svg", "<svg/>");
  UseDatabase({{Number(1), Text("sub/"), Text("c"), Text("p")}, {Number(2), Text("sub\\.x"), Text("c"), Text("p")}});
  Import();
  EXPECT_TRUE(DescriptorFiles().empty());
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].text.toStdString(),
            "次のファイルが見つかりませんでした\r\r" + Svg("sub/.svg") + "\r\n" + Svg("sub/.x.svg") + "\r\n");
}

// A FIFO given as the database would block the open for ever.
TEST_F(ImportTest, AFifoAsTheDatabaseEndsTheImportNamingIt) {
  ASSERT_EQ(mkfifo(Path("def.mdb").c_str(), 0600), 0);
  SetField(Field::Kihonmdb, Path("def.mdb"));
  EXPECT_EQ(ImportFailure(), "ファイル \"" + Path("def.mdb") + "\" を開けません。Not a regular file");
}

struct MissingColumnCase {
  const char* name;
  std::vector<std::string> columns;
  const char* message;
  std::vector<std::string> descriptors;  // what stays on disk
  const char* abcDescriptor;             // its content, when one stays
};

class MissingColumnTest : public ImportTest, public ::testing::WithParamInterface<MissingColumnCase> {};

TEST_P(MissingColumnTest, EndsTheImportAtTheRowThatNeedsIt) {
  const MissingColumnCase& c = GetParam();
  Put("svg/abc.svg", "<svg/>");
  // Row 1's SVG file is missing, row 2's exists; each row keeps only the case's columns.
  const std::vector<std::string> all = {"ID", "svgname", "category", "caption"};
  std::vector<zav::mdb::Row> rows;
  for (const zav::mdb::Row& full : {zav::mdb::Row{Number(1), Text("gone"), Text("c1"), Text("p1")},
                                    zav::mdb::Row{Number(2), Text("abc"), Text("c2"), Text("p2")}}) {
    zav::mdb::Row row;
    for (const std::string& name : c.columns) row.push_back(full[std::find(all.begin(), all.end(), name) - all.begin()]);
    rows.push_back(row);
  }
  UseDatabase(rows, c.columns);

  EXPECT_EQ(ImportFailure(), c.message);
  EXPECT_EQ(DescriptorFiles(), c.descriptors);
  if (!c.descriptors.empty()) {
    EXPECT_EQ(Read(Svg("abc.svg.inf")), c.abcDescriptor);
  }
  EXPECT_FALSE(Exists(Svg("copyright.txt")));
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(view_.StatusText(), QStringLiteral("データベースに接続中.."));
}

INSTANTIATE_TEST_SUITE_P(
    Columns, MissingColumnTest,
    ::testing::Values(MissingColumnCase{"svgname", {"ID", "category", "caption"},
                                        "フィールド 'svgname' が見つかりません", {}, ""},
                      MissingColumnCase{"category", {"ID", "svgname", "caption"},
                                        "フィールド 'category' が見つかりません", {}, ""},
                      // The whole table is read before the first write: nothing half written.
                      MissingColumnCase{"caption", {"ID", "svgname", "category"},
                                        "フィールド 'caption' が見つかりません", {}, ""},
                      MissingColumnCase{"ID", {"svgname", "category", "caption"},
                                        "並べ替えの列 'ID' がテーブル 'T_main' にありません", {}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportTest, MissingSvgnameColumnGoesUnnoticedInAnEmptyTable) {
  UseDatabase({}, {"ID", "category", "caption"});
  Import();
  EXPECT_EQ(view_.StatusText(), QStringLiteral("処理完了."));
}

// Mend: the database file vanished after the input checks. The connection still holds
// the string of the earlier import; reading through it would import the wrong database.
TEST_F(ImportTest, VanishedDatabaseEndsTheImportNamingTheFile) {
  Put("svg/abc.svg", "<svg/>");
  UseDatabase({{Number(1), Text("abc"), Text("c"), Text("p")}});
  Import();
  std::filesystem::remove(Svg("abc.svg.inf"));

  SetField(Field::Kihonmdb, Path("vanished.mdb"));
  EXPECT_EQ(ImportFailure(), "ファイル \"" + Path("vanished.mdb") + "\" が見つかりません");
  EXPECT_TRUE(DescriptorFiles().empty());
  EXPECT_EQ(view_.StatusText(), QStringLiteral("データベースに接続中.."));
}

TEST_F(ImportTest, ForeignFileEndsTheImportWithTheProvidersText) {
  Put("svg/abc.svg", "<svg/>");
  SetField(Field::Kihonmdb, Put("def.mdb", std::string(5000, 'z')));
  EXPECT_EQ(ImportFailure(), "ファイル \"" + Path("def.mdb") + "\" は Access のデータベースとして読めません");
  EXPECT_TRUE(DescriptorFiles().empty());
  EXPECT_FALSE(Exists(Svg("copyright.txt")));
  EXPECT_EQ(view_.StatusText(), QStringLiteral("データベースに接続中.."));
}

TEST_F(ImportTest, UnwritableDescriptorKeepsTheEarlierOnes) {
  // A name the file system takes for the symbol but not with ".inf" added.
  const std::string longName(250, 'n');
  Put("svg/first.svg", "<svg/>");
  Put("svg/" + longName + ".svg", "<svg/>");
  UseDatabase({{Number(1), Text("first"), Text("c1"), Text("p1")},
               {Number(2), Text(longName.c_str()), Text("c2"), Text("p2")}});
  EXPECT_EQ(ImportFailure(), Svg(longName + ".svg.inf") + " に書き込めません");
  EXPECT_EQ(Read(Svg("first.svg.inf")), Descriptor("c1", "p1"));
  EXPECT_FALSE(Exists(Svg("copyright.txt")));
}

// The copyright file is checked with the table, before anything is written.
TEST_F(ImportTest, UncreatableCopyrightFileStopsTheImportBeforeItWrites) {
  Put("svg/abc.svg", "<svg/>");
  MakeFolder("svg/copyright.txt");
  UseDatabase({{Number(1), Text("abc"), Text("c"), Text("p")}, {Number(2), Text("gone"), Text("c"), Text("p")}});
  EXPECT_EQ(ImportFailure(), "ファイル \"" + Svg("copyright.txt") + "\" を作成できません。Is a directory");
  EXPECT_TRUE(DescriptorFiles().empty());
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_EQ(view_.StatusText(), QStringLiteral("データベースに接続中.."));
}

struct CopyrightCase {
  const char* codePage;  // ZAV_CODEPAGE, or nullptr for unset
  const char* text;
  std::string bytes;
};

class CopyrightFileTest : public zavtest::TempDirTest, public ::testing::WithParamInterface<CopyrightCase> {};

TEST_P(CopyrightFileTest, IsOneLineInTheAnsiCodePage) {
  const CopyrightCase& c = GetParam();
  const zavtest::ScopedCodePage codePage(zav::CodePageFromSetting(c.codePage));
  Put("copyright.txt", "an older, longer text that must not survive\r\n");
  orlindo::WriteCopyrightFile(Path(), c.text);
  EXPECT_TRUE(zavtest::SameBytes(c.bytes, Read(Path("copyright.txt"))));
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, CopyrightFileTest,
    ::testing::Values(CopyrightCase{nullptr, "abc", "\xEF\xBB\xBF" "abc\r\n"},
                      CopyrightCase{"", "© 地図", "\xEF\xBB\xBF\xC2\xA9 \xE5\x9C\xB0\xE5\x9B\xB3\r\n"},
                      CopyrightCase{"1252", "abc", "abc\r\n"},
                      CopyrightCase{"1252", "© 地図", "\xA9 ??\r\n"},
                      CopyrightCase{"932", "株式会社", "\x8A\x94\x8E\xAE\x89\xEF\x8E\xD0\r\n"}));

struct StemCase {
  const char* svgName;
  const char* stem;
};

class StemTest : public ::testing::TestWithParam<StemCase> {};

TEST_P(StemTest, DropsTheExtensionOfTheLastName) {
  EXPECT_EQ(orlindo::SvgNameStem(GetParam().svgName), GetParam().stem);
}

INSTANTIATE_TEST_SUITE_P(Cases, StemTest,
                         ::testing::Values(StemCase{"abc", "abc"}, StemCase{"a.b", "a"}, StemCase{"abc.svg", "abc"},
                                           StemCase{"v1.2/x", "v1.2/x"}, StemCase{"abc.", "abc"},
                                           StemCase{"a.b:c", "a.b:c"}, StemCase{"", ""},
                                           StemCase{".hidden", ""}, StemCase{"x.tar.gz", "x.tar"}));

// A Japanese caption travels from the database through the descriptor file into the
// compiler's index line unchanged, in UTF-8 and in a Windows code page alike: both
// programs read ZAV_CODEPAGE, so the descriptor is written as the compiler reads it.
TEST_F(ImportTest, JapaneseCaptionReachesTheCompilersIndexLine) {
  Put("svg/bench.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>");
  UseDatabase({{Number(1), Text("bench"), Text("公園施設"), Text("ベンチ（木製）")}});
  for (const char* codePage : {"", "932"}) {
    SCOPED_TRACE(std::string("ZAV_CODEPAGE=") + codePage);
    orlindo_test::ScopedEnv guard("ZAV_CODEPAGE", codePage);  // for the compiler
    const zavtest::ScopedCodePage inForce(zav::CodePageFromSetting(codePage));  // for the import
    std::filesystem::remove(Svg("bench.svg.inf"));
    Import();
    if (*codePage == '\0') {
      EXPECT_EQ(Read(Svg("bench.svg.inf")), Descriptor("公園施設", "ベンチ（木製）"));
    } else {
      EXPECT_EQ(Read(Svg("bench.svg.inf")),
                "[INFO]\r\nCATEGORY=\x8C\xF6\x89\x80\x8E\x7B\x90\xDD\r\n"
                "CAPTION=\x83\x78\x83\x93\x83\x60\x81\x69\x96\xD8\x90\xBB\x81\x6A\r\n");
    }

    const std::string out = MakeFolder(std::string("out") + codePage);
    const std::string command = std::string("'") + ZAVBUILD_PATH + "' parks '" + svg_ + "' '" + out + "' > '" +
                                Path("console.txt") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << Read(Path("console.txt"));
    const std::string index = Read(out + "/LIBSVG.txt");
    // The block offset depends on the copyright block before it; the rest is fixed.
    const std::string head = kUtf8Mark + "parks:bench=";
    const std::string tail = "|ベンチ（木製）|公園施設\r\n";
    ASSERT_GT(index.size(), head.size() + tail.size()) << index;
    EXPECT_EQ(index.substr(0, head.size()), head);
    EXPECT_EQ(index.substr(index.size() - tail.size()), tail);
    const std::string offset = index.substr(head.size(), index.size() - head.size() - tail.size());
    EXPECT_FALSE(offset.empty());
    EXPECT_EQ(offset.find_first_not_of("0123456789"), std::string::npos) << offset;
  }
}

// The import writes each descriptor file once for all the rows that name it; what it
// leaves must be what a profile write per key and row leaves, in row order, whether its
// folders are written one after another or side by side.
TEST_F(ImportTest, WritesWhatOneProfileWritePerKeyAndRowWrites) {
  const std::string existing = "\xEF\xBB\xBF[INFO]\nUniqueID=B-1\n\n[X]\nCAPTION=kept\n";
  orlindo::ImportPlan plan;
  plan.descriptors = {{"sub/a.svg.inf", "c1", "p1"}, {"b.svg.inf", "\xFF odd", ""}, {"sub/a.svg.inf", "c3", "p3"},
                      {"c.svg.inf", "c4", "p4"}, {"b.svg.inf", "c5", "=p5="}, {"sub/deep/d.svg.inf", "c6", "p6"}};
  MakeFolder("reference/sub/deep");
  Put("reference/b.svg.inf", existing);
  for (const orlindo::DescriptorValues& row : plan.descriptors) {
    const std::string path = Path("reference/" + row.relative);
    ASSERT_TRUE(zav::WritePrivateProfileString(std::string("INFO"), std::string("CATEGORY"), row.category, path));
    ASSERT_TRUE(zav::WritePrivateProfileString(std::string("INFO"), std::string("CAPTION"), row.caption, path));
    ASSERT_TRUE(zav::WritePrivateProfileString(std::nullopt, std::nullopt, std::nullopt, path));
  }
  for (const char* threads : {"1", "4"}) {
    SCOPED_TRACE(std::string("ZAV_THREADS=") + threads);
    const orlindo_test::ScopedEnv scoped("ZAV_THREADS", threads);
    const std::string tree = std::string("fast") + threads;
    MakeFolder(tree + "/sub/deep");
    Put(tree + "/b.svg.inf", existing);
    plan.svgFolder = Path(tree);
    std::mutex mutex;
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    orlindo::WriteImport(plan, "c", [&](std::size_t done, std::size_t total) {
      const std::lock_guard lock(mutex);
      progress.emplace_back(done, total);
    });
    for (const char* relative : {"sub/a.svg.inf", "b.svg.inf", "c.svg.inf", "sub/deep/d.svg.inf"}) {
      EXPECT_TRUE(zavtest::SameBytes(Read(Path(std::string("reference/") + relative)),
                                     Read(Path(tree + "/" + relative))))
          << relative;
    }
    // Counts come from the writing threads, not always in order; the last file brings
    // the whole count.
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(*std::max_element(progress.begin(), progress.end()), std::make_pair(std::size_t{6}, std::size_t{6}));
    if (std::string(threads) == "1") {
      EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    }
  }
}

}  // namespace
