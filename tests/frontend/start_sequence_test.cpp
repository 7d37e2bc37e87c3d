#include "frontend/start_sequence.h"

#include <QTimer>

#include "frontend/build_journal.h"
#include "tests/frontend/build_fixture.h"
#include "tests/frontend/folder_state.h"

namespace {

using orlindo::Field;
using orlindo::Notice;

class StartSequenceTest : public zavtest::BuildFixture {};

TEST_F(StartSequenceTest, BuildsTheLibraryFromTheDatabaseAndLeavesNothingElse) {
  WriteDefinitions({{"bench", "公園", "ベンチ"}, {"gone", "x", "y"}, {"sub/tree", "自然", "木"}});
  Symbol("bench.svg");
  Symbol("sub/tree.svg");
  Put("svg/sub/notes.txt", "kept");

  EXPECT_TRUE(Run());
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_EQ(dialogs_.shown[0].first, Notice::Warning);
  EXPECT_EQ(dialogs_.shown[0].second.toStdString(),
            "次のファイルが見つかりませんでした\r\r" + svg_ + "/gone.svg\r\n");
  EXPECT_EQ(dialogs_.shown[1], std::make_pair(Notice::Information, QStringLiteral("処理終了しました．")));

  const std::vector<std::string> index = zavtest::LibraryIndex(out_ + "/korimo.zavlibsvg");
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(index[0], "korimo:tree=49|木|自然");  // 25-byte header, 4 + 20 bytes of copyright
  EXPECT_TRUE(index[1].starts_with("korimo:bench=")) << index[1];
  EXPECT_TRUE(index[1].ends_with("|ベンチ|公園")) << index[1];

  EXPECT_EQ(Files(out_), (std::vector<std::string>{"korimo.zavlibsvg"}));
  // The import's descriptor in the subfolder goes too: the journal knows it made it.
  EXPECT_EQ(Files(svg_), (std::vector<std::string>{"bench.svg", "sub/notes.txt", "sub/tree.svg"}));
  EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
  EXPECT_EQ(view_.StatusText(), QStringLiteral("処理完了."));
}

TEST_F(StartSequenceTest, AFailingCompileIsReportedAndStillCleanedUp) {
  WriteDefinitions({{"a", "c", "one"}, {"sub/a", "c", "two"}});
  Symbol("a.svg");
  Symbol("sub/a.svg");

  EXPECT_FALSE(Run());
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].first, Notice::Warning);
  EXPECT_EQ(dialogs_.shown[0].second.toStdString(),
            "ライブラリファイルは作成されませんでした。\nException: File already exitst: " + out_ + "/a.svgz");
  EXPECT_EQ(Files(out_), std::vector<std::string>{});
  EXPECT_FALSE(Exists(svg_ + "/a.svg.inf"));
  EXPECT_FALSE(Exists(svg_ + "/copyright.txt"));
  EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
}

TEST_F(StartSequenceTest, TheUsersOwnDescriptorAndSideFilesSurviveABuild) {
  WriteDefinitions({{"bench", "公園", "ベンチ"}, {"sub/tree", "自然", "木"}});
  Symbol("bench.svg");
  Symbol("sub/tree.svg");
  const std::string handWritten = "[INFO]\r\nUniqueID=PB-1\r\n; mine\r\n";
  const std::string handWrittenBelow = "[INFO]\r\nCAPTION=Tree\r\nUniqueID=TR-1\r\n";
  Put("svg/bench.svg.inf", handWritten);
  Put("svg/sub/tree.svg.inf", handWrittenBelow);
  Put("svg/copyright.txt", "old text\r\n");
  Put("out/unrelated.svgz", "not ours");
  // The compiler writes its own over these; the clean-up gives them back.
  Put("out/LIBSVG.txt", "the user's index");
  Put("out/LIBSVG.txtz", "the user's gzip");

  EXPECT_TRUE(Run());
  const std::vector<std::string> index = zavtest::LibraryIndex(out_ + "/korimo.zavlibsvg");
  ASSERT_EQ(index.size(), 4u);
  EXPECT_EQ(index[0], "korimo:tree=49|木|自然");  // the field's copyright, not "old text"
  EXPECT_EQ(index[1], "TR-1=@korimo:tree");
  EXPECT_TRUE(index[2].starts_with("korimo:bench=")) << index[2];
  EXPECT_EQ(index[3], "PB-1=@korimo:bench");
  EXPECT_EQ(Read(svg_ + "/bench.svg.inf"), handWritten);
  EXPECT_EQ(Read(svg_ + "/sub/tree.svg.inf"), handWrittenBelow);
  EXPECT_EQ(Read(svg_ + "/copyright.txt"), "old text\r\n");
  EXPECT_EQ(Read(out_ + "/unrelated.svgz"), "not ours");
  EXPECT_EQ(Read(out_ + "/LIBSVG.txt"), "the user's index");
  EXPECT_EQ(Read(out_ + "/LIBSVG.txtz"), "the user's gzip");
  EXPECT_EQ(Files(out_), (std::vector<std::string>{"LIBSVG.txt", "LIBSVG.txtz", "korimo.zavlibsvg", "unrelated.svgz"}));
  EXPECT_EQ(Files(svg_), (std::vector<std::string>{"bench.svg", "bench.svg.inf", "copyright.txt",
                                                   "sub/tree.svg", "sub/tree.svg.inf"}));
}

TEST_F(StartSequenceTest, BlanksInFoldersAndNameReachTheCompilerWhole) {
  SetInputs(MakeFolder(" svg dir "), MakeFolder("out dir"), "my lib");
  WriteDefinitions({{"a b", "c", "d"}});
  Symbol("a b.svg");
  EXPECT_TRUE(Run());
  EXPECT_EQ(Files(out_), (std::vector<std::string>{"my lib.zavlibsvg"}));
  EXPECT_EQ(Files(svg_), (std::vector<std::string>{"a b.svg"}));
  EXPECT_EQ(zavtest::LibraryIndex(out_ + "/my lib.zavlibsvg"),
            (std::vector<std::string>{"my lib:a b=49|d|c"}));
}

TEST_F(StartSequenceTest, AFailedCheckChangesNothing) {
  view_.SetFieldText(Field::Uniqkey, QString());
  Put("svg/keep.svg.inf", "x");
  EXPECT_FALSE(Run());
  ASSERT_EQ(dialogs_.shown.size(), 2u);  // no database either
  EXPECT_EQ(dialogs_.shown[1].second, QStringLiteral("ライブラリユニーク名を正しく指定してください"));
  EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
  EXPECT_EQ(Files(svg_), std::vector<std::string>{"keep.svg.inf"});
}

TEST_F(StartSequenceTest, AFailedImportPutsTheSvgFolderBackAndLeavesTheCompilerFile) {
  WriteDefinitions({{"bench", "公園", ""}}, /*withCaption=*/false);
  Symbol("bench.svg");
  Put("svg/old.svg.inf", "[INFO]\r\nCAPTION=x\r\n");
  const std::string compiler = Put("fake", "#!/bin/sh\n");
  EXPECT_EQ(RunFailing(QString::fromStdString(compiler)), "フィールド 'caption' が見つかりません");
  EXPECT_EQ(Files(svg_), (std::vector<std::string>{"bench.svg", "old.svg.inf"}));
  EXPECT_TRUE(Exists(orlindo::CompilerFilePath()));
}

// A write that fails half way through the import: what was written before it goes,
// the user's own descriptor comes back, and nothing of the journal is left.
TEST_F(StartSequenceTest, AnImportThatFailsWhileWritingPutsTheFolderBack) {
  const std::string longName(250, 'n');  // the symbol's name fits, with ".inf" it does not
  WriteDefinitions({{"bench", "公園", "ベンチ"}, {"old", "c", "new caption"}, {longName.c_str(), "c", "p"}});
  Symbol("bench.svg");
  Symbol("old.svg");
  Symbol(longName + ".svg");
  Put("svg/old.svg.inf", "[INFO]\r\nCAPTION=x\r\n");
  Put("svg/copyright.txt", "mine\r\n");
  const zavtest::FolderState before = zavtest::StateOf(svg_);

  EXPECT_EQ(RunFailing(), svg_ + "/" + longName + ".svg.inf に書き込めません");
  EXPECT_EQ(zavtest::StateOf(svg_), before);
  EXPECT_TRUE(std::filesystem::is_empty(Path("state/Orlindo")));
}

TEST_F(StartSequenceTest, ASecondStartDuringTheCompileFailsAtItsExtraction) {
  WriteDefinitions({{"bench", "公園", "ベンチ"}});
  Symbol("bench.svg");
  const std::string go = Path("go");
  const std::string compiler =
      zavtest::WriteScript(Path("slow"), "while [ ! -e '" + go + "' ]; do sleep 0.02; done\n");
  std::string second;
  QTimer::singleShot(0, [&] {
    second = RunFailing(QString::fromStdString(compiler));
    Put("go", "");
  });
  EXPECT_TRUE(Run(QString::fromStdString(compiler)));
  EXPECT_EQ(second, "ファイル \"" + orlindo::CompilerFilePath() + "\" を作成できません。Text file busy");
  ASSERT_FALSE(dialogs_.shown.empty());
  EXPECT_EQ(dialogs_.shown.back(), std::make_pair(Notice::Information, QStringLiteral("処理終了しました．")));
  EXPECT_FALSE(Exists(orlindo::CompilerFilePath()));
  EXPECT_EQ(Files(svg_), std::vector<std::string>{"bench.svg"});
}

// At start, a journal that could not be applied in full stays and is told, with each
// file and why, and so is one that cannot be read; restored folders are told once.
TEST_F(StartSequenceTest, TheStartTellsOfEveryJournalItFound) {
  const std::string svg = svg_, out = out_;
  Put("svg/mine.svg.inf", "mine");
  {
    orlindo::BuildJournal killed =
        orlindo::BuildJournal::Begin(Path("state/Orlindo"), svg, {"mine.svg.inf", "copyright.txt"}, out);
  }
  std::filesystem::remove(svg + "/mine.svg.inf");
  MakeFolder("svg/mine.svg.inf");
  Put("state/Orlindo/build-1-1.journal", "not a journal");

  orlindo::RestoreUnfinishedBuilds(dialogs_);
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_EQ(dialogs_.shown[0].second.toStdString(),
            "前回中断された処理の記録 \"" + Path("state/Orlindo/build-1-1.journal") +
                "\" を読めません。ファイルは元に戻していません。記録は残してあります");
  EXPECT_TRUE(dialogs_.shown[1].second.startsWith(QStringLiteral("次のファイルを処理前の状態に戻せませんでした。記録 \"")));
  EXPECT_TRUE(dialogs_.shown[1].second.endsWith(
      QString::fromStdString("を残し、次回の起動時にもう一度戻します\r\r" + svg + "/mine.svg.inf: Is a directory\r\n")));

  std::filesystem::remove(svg + "/mine.svg.inf");
  std::filesystem::remove(Path("state/Orlindo/build-1-1.journal"));
  dialogs_.shown.clear();
  orlindo::RestoreUnfinishedBuilds(dialogs_);
  EXPECT_EQ(dialogs_.shown, (std::vector<std::pair<Notice, QString>>{
                                {Notice::Information, QString::fromStdString(
                                                          "前回の処理が中断されていたため、次のフォルダのファイルを処理前の状態に戻しました\r\r" +
                                                          svg + "\r\n" + out + "\r\n")}}));
  EXPECT_EQ(Read(svg + "/mine.svg.inf"), "mine");
}

}  // namespace
