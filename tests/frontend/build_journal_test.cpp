// The build journal: what a build will change is recorded before the change, and the
// folders come back from it exactly, whether the clean-up runs, or a later start finds
// the journal that a killed build left.
#include "frontend/build_journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "frontend/file_cleanup.h"
#include "frontend/journal_record.h"
#include "platform/failure.h"
#include "platform/fault_seam.h"
#include "platform/path_text.h"
#include "tests/frontend/folder_state.h"
#include "tests/frontend/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace {

using orlindo::BuildJournal;
using orlindo::EarlierFile;
using orlindo::JournalRecord;
using orlindo::RecoverUnfinishedBuilds;

class BuildJournalTest : public zavtest::TempDirTest {
 protected:
  // A user's folders as a build finds them: a hand-written descriptor (mode 0640) at
  // the top and one below it, a copyright file, an index and a side file of their own,
  // an earlier library.
  void SetUp() override {
    TempDirTest::SetUp();
    Put("svg/bench.svg", "<svg/>");
    Put("svg/bench.svg.inf", "[INFO]\r\nUniqueID=PB-1\r\nCAPTION=old\r\n");
    chmod(Path("svg/bench.svg.inf").c_str(), 0640);
    Put("svg/same.svg.inf", "[INFO]\r\n");
    Put("svg/sub/kept.svg.inf", "[INFO]\r\nCAPTION=by hand\r\n");
    Put("svg/copyright.txt", "mine\r\n");
    Put("out/unrelated.svgz", "user's own");
    Put("out/LIBSVG.txt", "the user's index");
    Put("out/lib.zavlibsvg", "earlier library");
    MakeFolder("state");
  }

  BuildJournal Begin() {
    return BuildJournal::Begin(Path("state"), Path("svg"),
                               {"bench.svg.inf", "same.svg.inf", "made.svg.inf", "sub/kept.svg.inf",
                                "sub/deep.svg.inf", "copyright.txt"},
                               Path("out"));
  }

  // What an import and a compile leave behind.
  void Build() {
    Put("svg/bench.svg.inf", "[INFO]\r\nUniqueID=PB-1\r\nCAPTION=new\r\nCATEGORY=c\r\n");
    Put("svg/made.svg.inf", "[INFO]\r\n");
    Put("svg/sub/deep.svg.inf", "[INFO]\r\n");
    Put("svg/sub/kept.svg.inf", "[INFO]\r\nCAPTION=from the database\r\n");
    Put("svg/copyright.txt", "\xEF\xBB\xBFtyped\r\n");
    Put("out/bench.svgz", "gz");
    Put("out/LIBSVG.txt", "index");
    Put("out/LIBSVG.txtz", "gz");
    Put("out/.zavbuild-77-0.tmp", "a killed compiler's library");
    Put("out/lib.zavlibsvg", "new library");
    Put("out/sub/x.svgz", "not the build's");
  }

  std::vector<std::string> Journals() {
    std::vector<std::string> names;
    orlindo::ListFiles(names, Path("state"), "*");
    return names;
  }

  // The folders as the build should leave them: as before, but for the new library and
  // a file below the output folder that is none of the build's.
  zavtest::FolderState Expected(zavtest::FolderState before) {
    before["out/lib.zavlibsvg"] = zavtest::StateOf(Path("out"))["lib.zavlibsvg"];
    return before;
  }
  zavtest::FolderState Now() {
    zavtest::FolderState now;
    for (const auto& [path, entry] : zavtest::StateOf(Path("svg"))) now["svg/" + path] = entry;
    for (const auto& [path, entry] : zavtest::StateOf(Path("out"))) {
      if (path != "sub" && path != "sub/x.svgz") now["out/" + path] = entry;
    }
    return now;
  }
};

TEST_F(BuildJournalTest, TheCleanUpPutsBackWhatTheBuildChangedAndRemovesWhatItMade) {
  const zavtest::FolderState before = Now();
  struct stat same;
  ASSERT_EQ(stat(Path("svg/same.svg.inf").c_str(), &same), 0);
  BuildJournal journal = Begin();
  EXPECT_EQ(Journals(), std::vector<std::string>{zav::FileNameOfPath(journal.Path())});
  Build();

  EXPECT_TRUE(journal.Restore().empty());
  EXPECT_EQ(Now(), Expected(before));
  struct stat after;
  ASSERT_EQ(stat(Path("svg/same.svg.inf").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, same.st_ino) << "an unchanged file is left alone";
  EXPECT_TRUE(Exists(Path("out/sub/x.svgz"))) << "only the top of the output folder is the build's";
  EXPECT_TRUE(Journals().empty()) << "a journal applied in full is removed";
}

// A folder the journal cannot look into (a failing disk) leaves the earlier state of its
// files unknown. Counted as absent, the hand-written descriptor the import then rewrote
// would be removed by the restore; the build stops instead, before anything is written.
TEST_F(BuildJournalTest, AFileWhoseEarlierStateCannotBeReadStopsTheBuild) {
  std::string message;
  {
    const zav::fault_seam::ScopedPlan failing("open:1:EIO");  // the SVG folder, opened to look
    try {
      Begin();
    } catch (const zav::Failure& failure) {
      message = failure.message;
    }
  }
  EXPECT_EQ(message, "ファイル \"" + Path("svg/bench.svg.inf") + "\" を読み込めません。Input/output error");
  EXPECT_TRUE(Journals().empty());
}

// Killed at any moment: the journal stays, and the next start puts the folders back,
// also from a restore that was itself cut short half way.
TEST_F(BuildJournalTest, TheNextStartPutsBackWhatAKilledBuildLeft) {
  Put("svg/.notes-1-2.tmp", "the user's, though it looks like a temporary file");
  Put("svg/.made.svg.inf-x-1.tmp", "not of the form of ours");
  const zavtest::FolderState before = Now();
  { BuildJournal killed = Begin(); }
  Build();
  // Killed in the middle of a write: its temporary file stays beside the file.
  Put("svg/.made.svg.inf-4242-7.tmp", "[IN");
  Put("svg/sub/.deep.svg.inf-4242-8.tmp", "");
  Put("svg/bench.svg.inf", "[INFO]\r\nUniqueID=PB-1\r\nCAPTION=old\r\n");  // restored before the kill
  std::filesystem::remove(Path("out/bench.svgz"));

  const std::vector<orlindo::UnfinishedBuild> found = RecoverUnfinishedBuilds(Path("state"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_TRUE(found[0].Restored());
  EXPECT_EQ(found[0].record->svgFolder, Path("svg"));
  EXPECT_EQ(found[0].record->outFolder, Path("out"));
  EXPECT_EQ(Now(), Expected(before));
  EXPECT_TRUE(Journals().empty());
  EXPECT_TRUE(RecoverUnfinishedBuilds(Path("state")).empty());
}

TEST_F(BuildJournalTest, AJournalOfARunningBuildIsLeftToIt) {
  BuildJournal running = Begin();
  Build();
  EXPECT_TRUE(RecoverUnfinishedBuilds(Path("state")).empty());
  EXPECT_EQ(Read(Path("svg/made.svg.inf")), "[INFO]\r\n");
  EXPECT_EQ(Journals().size(), 1u);
  EXPECT_TRUE(running.Restore().empty());
}

// A file that cannot be put back keeps the journal, for the clean-up and at every later
// start, until it can.
TEST_F(BuildJournalTest, AJournalThatCannotBeAppliedInFullIsKept) {
  const zavtest::FolderState before = Now();
  BuildJournal journal = Begin();
  Build();
  std::filesystem::remove(Path("svg/copyright.txt"));
  MakeFolder("svg/copyright.txt");  // nothing can be renamed over a folder

  const std::vector<orlindo::RestoreProblem> problems = journal.Restore();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].path, Path("svg/copyright.txt"));
  EXPECT_EQ(problems[0].error, EISDIR);
  EXPECT_EQ(Read(Path("svg/bench.svg.inf")), "[INFO]\r\nUniqueID=PB-1\r\nCAPTION=old\r\n") << "the rest is back";
  EXPECT_EQ(Journals().size(), 1u);

  const std::vector<orlindo::UnfinishedBuild> again = RecoverUnfinishedBuilds(Path("state"));
  ASSERT_EQ(again.size(), 1u);
  EXPECT_FALSE(again[0].Restored());
  EXPECT_EQ(again[0].problems.size(), 1u);

  std::filesystem::remove(Path("svg/copyright.txt"));
  ASSERT_EQ(RecoverUnfinishedBuilds(Path("state")).size(), 1u);
  EXPECT_EQ(Now(), Expected(before));
  EXPECT_TRUE(Journals().empty());
}

// A file the build made that the clean-up fails to remove (a failing disk) is told like
// one that cannot be put back, and the journal stays: it was left in the SVG folder
// without a word before.
TEST_F(BuildJournalTest, AFileTheBuildMadeThatWillNotGoKeepsTheJournal) {
  const zavtest::FolderState before = Now();
  BuildJournal journal = Begin();
  Build();
  std::vector<orlindo::RestoreProblem> problems;
  {
    // One thread, so that the first deletion is that of made.svg.inf, as it is then.
    const orlindo_test::ScopedEnv oneThread("ZAV_THREADS", "1");
    const zav::fault_seam::ScopedPlan failing("unlink:1:EIO");
    problems = journal.Restore();
  }
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].path, Path("svg/made.svg.inf"));
  EXPECT_EQ(problems[0].error, EIO);
  EXPECT_EQ(Journals().size(), 1u);

  ASSERT_EQ(RecoverUnfinishedBuilds(Path("state")).size(), 1u);
  EXPECT_EQ(Now(), Expected(before));
  EXPECT_TRUE(Journals().empty());
}

// The clean-up spreads its folders over threads; what will not go is told in the
// record's order all the same, then the side files in listing order.
TEST_F(BuildJournalTest, WhatWillNotGoIsToldInTheSameOrderOnAnyNumberOfThreads) {
  for (const char* threads : {"1", "4"}) {
    SCOPED_TRACE(std::string("ZAV_THREADS=") + threads);
    const orlindo_test::ScopedEnv scoped("ZAV_THREADS", threads);
    BuildJournal journal = Begin();
    Build();
    std::vector<std::string> told;
    {
      const zav::fault_seam::ScopedPlan failing("unlink:1+:EIO");
      for (const orlindo::RestoreProblem& problem : journal.Restore()) told.push_back(problem.path);
    }
    EXPECT_EQ(told, (std::vector<std::string>{Path("svg/made.svg.inf"), Path("svg/sub/deep.svg.inf"),
                                              Path("out/LIBSVG.txtz"), Path("out/.zavbuild-77-0.tmp"),
                                              Path("out/bench.svgz")}));
    ASSERT_EQ(RecoverUnfinishedBuilds(Path("state")).size(), 1u);
    EXPECT_TRUE(Journals().empty());
  }
}

TEST_F(BuildJournalTest, AnUnreadableJournalIsKeptAndWhatANeverFinishedOneLeftIsRemoved) {
  Put("state/build-1-2.journal", "ORLINDO-JOURNAL-1\ncut sho");
  Put("state/.build-3-4.tmp", "written while the build was killed, before any change");
  const std::vector<orlindo::UnfinishedBuild> found = RecoverUnfinishedBuilds(Path("state"));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].journalPath, Path("state/build-1-2.journal"));
  EXPECT_FALSE(found[0].record.has_value());
  EXPECT_EQ(Journals(), std::vector<std::string>{"build-1-2.journal"});
  EXPECT_TRUE(RecoverUnfinishedBuilds(Path("missing")).empty());
}

// Links and other entries are recorded as left alone: never replaced by a plain file,
// never removed.
TEST_F(BuildJournalTest, LinksAndSpecialFilesAreNeverReplacedNorRemoved) {
  std::filesystem::remove(Path("svg/copyright.txt"));
  std::filesystem::create_symlink(Path("elsewhere.txt"), Path("svg/copyright.txt"));
  std::filesystem::create_symlink(Path("elsewhere.txt"), Path("out/LIBSVG.txtz"));
  ASSERT_EQ(mkfifo(Path("svg/made.svg.inf").c_str(), 0600), 0);
  const zavtest::FolderState before = Now();
  BuildJournal journal = Begin();
  const JournalRecord& record = journal.Record();
  for (const EarlierFile& file : record.files) {
    if (file.relative == "copyright.txt" || file.relative == "made.svg.inf" || file.relative == "LIBSVG.txtz") {
      EXPECT_EQ(file.state, EarlierFile::State::LeftAlone) << file.relative;
    }
  }
  EXPECT_TRUE(journal.Restore().empty());
  EXPECT_EQ(Now(), before);
  EXPECT_FALSE(Exists(Path("elsewhere.txt")));
}

TEST(JournalRecord, ComesBackWholeOrNotAtAll) {
  JournalRecord record;
  record.svgFolder = "/home/u/地図/svg";
  record.outFolder = "/home/u/out";
  record.files = {{orlindo::BuildFolder::Svg, "a.svg.inf", EarlierFile::State::Regular, 0640,
                   std::string("[INFO]\r\n\0\xFF", 10)},
                  {orlindo::BuildFolder::Svg, "sub/b.svg.inf", EarlierFile::State::Absent, 0, {}},
                  {orlindo::BuildFolder::Out, "LIBSVG.txtz", EarlierFile::State::LeftAlone, 0, {}}};
  record.outNames = {"x.svgz", ".zavbuild-1-0.tmp"};
  const std::string bytes = orlindo::EncodeJournal(record);
  const std::optional<JournalRecord> back = orlindo::DecodeJournal(bytes);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(orlindo::EncodeJournal(*back), bytes);
  EXPECT_EQ(back->files[0].bytes, record.files[0].bytes);
  EXPECT_EQ(back->files[0].mode, 0640u);
  EXPECT_EQ(back->outNames, record.outNames);

  for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
    EXPECT_FALSE(orlindo::DecodeJournal(bytes.substr(0, cut)).has_value()) << cut;
  }
  EXPECT_FALSE(orlindo::DecodeJournal(bytes + "x").has_value());
  std::string otherState = bytes;
  otherState[otherState.find("a.svg.inf") + 9] = 7;  // a state that does not exist
  EXPECT_FALSE(orlindo::DecodeJournal(otherState).has_value());
}

}  // namespace
