#include "frontend/file_cleanup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

using orlindo::BuildSnapshot;
using orlindo::DeleteFiles;
using orlindo::ListFiles;
using orlindo::MatchesMask;

struct MaskCase {
  const char* name;
  const char* mask;
  bool matches;
};
class MaskTest : public ::testing::TestWithParam<MaskCase> {};
TEST_P(MaskTest, MatchesAsTheDirectorySearchDoes) {
  EXPECT_EQ(MatchesMask(GetParam().name, GetParam().mask), GetParam().matches)
      << GetParam().name << " ~ " << GetParam().mask;
}
INSTANTIATE_TEST_SUITE_P(Cases, MaskTest, ::testing::Values(
    MaskCase{"bench.svg.inf", "*.svg.inf", true},
    MaskCase{"BENCH.SVG.INF", "*.svg.inf", true},
    MaskCase{".svg.inf", "*.svg.inf", true},
    MaskCase{"a.svg.inf.svg.inf", "*.svg.inf", true},
    MaskCase{"bench.svg.info", "*.svg.inf", false},
    MaskCase{"bench.inf", "*.svg.inf", false},
    MaskCase{"bench.svg.inf.bak", "*.svg.inf", false},
    MaskCase{"park.bench.svgz", "*.svgz", true},
    MaskCase{"bench.svg", "*.svgz", false},
    MaskCase{"ÄRA.SVGZ", "ära.svgz", true},  // case folded beyond ASCII
    MaskCase{"ab.svgz", "?b.svgz", true},
    MaskCase{"b.svgz", "?b.svgz", false},
    MaskCase{"漢.svgz", "?.svgz", true}));

class FileCleanupTest : public zavtest::TempDirTest {};

TEST_F(FileCleanupTest, ListsTopFilesOnlyHiddenIncludedInListingOrder) {
  Put("svg/b.svg.inf", "");
  Put("svg/.hidden.svg.inf", "");
  Put("svg/A.SVG.INF", "");
  Put("svg/a.svg", "");
  Put("svg/sub/c.svg.inf", "");
  MakeFolder("svg/folder.svg.inf");
  const auto before = std::filesystem::current_path();

  std::vector<std::string> names{"left over"};
  ListFiles(names, Path("svg"), "*.svg.inf");
  EXPECT_EQ(names, (std::vector<std::string>{".hidden.svg.inf", "A.SVG.INF", "b.svg.inf"}));
  EXPECT_EQ(std::filesystem::current_path(), before);

  ListFiles(names, Path("missing"), "*.svg.inf");
  EXPECT_TRUE(names.empty());
}

TEST_F(FileCleanupTest, DeletesMatchingTopFilesButNotReadOnlyOrSpared) {
  Put("out/a.svgz", "");
  Put("out/.h.svgz", "");
  Put("out/keep.svgz", "");
  Put("out/ro.svgz", "");
  Put("out/sub/b.svgz", "");
  Put("out/lib.zavlibsvg", "");
  chmod(Path("out/ro.svgz").c_str(), 0444);

  DeleteFiles(Path("out"), "*.svgz", {"keep.svgz"});
  EXPECT_FALSE(Exists(Path("out/a.svgz")));
  EXPECT_FALSE(Exists(Path("out/.h.svgz")));
  EXPECT_TRUE(Exists(Path("out/keep.svgz")));
  EXPECT_TRUE(Exists(Path("out/ro.svgz")));
  EXPECT_TRUE(Exists(Path("out/sub/b.svgz")));
  EXPECT_TRUE(Exists(Path("out/lib.zavlibsvg")));

  DeleteFiles(Path("gone"), "*.svgz");  // a vanished folder is passed over quietly
}

TEST_F(FileCleanupTest, RemovesWhatTheBuildMadeAndGivesBackWhatItChanged) {
  const std::string handWritten = "[INFO]\r\nUniqueID=PB-1\r\nCAPTION=old\r\n";
  Put("svg/bench.svg.inf", handWritten);
  Put("svg/same.svg.inf", "[INFO]\r\n");
  Put("svg/copyright.txt", "mine\r\n");
  Put("svg/sub/kept.svg.inf", "[INFO]\r\nCAPTION=by hand\r\n");
  Put("out/unrelated.svgz", "user's own");
  Put("out/LIBSVG.txt", "old index");
  chmod(Path("svg/bench.svg.inf").c_str(), 0640);
  struct stat sameBefore;
  ASSERT_EQ(stat(Path("svg/same.svg.inf").c_str(), &sameBefore), 0);

  const BuildSnapshot snapshot = BuildSnapshot::Take(Path("svg"), Path("out"));
  // What an import and a compile leave behind.
  Put("svg/bench.svg.inf", "[INFO]\r\nUniqueID=PB-1\r\nCAPTION=new\r\nCATEGORY=c\r\n");
  Put("svg/made.svg.inf", "[INFO]\r\n");
  Put("svg/copyright.txt", "\xEF\xBB\xBFtyped\r\n");
  Put("svg/sub/deep.svg.inf", "[INFO]\r\n");
  Put("svg/sub/kept.svg.inf", "[INFO]\r\nCAPTION=from the database\r\n");
  Put("out/bench.svgz", "gz");
  Put("out/LIBSVG.txt", "index");
  Put("out/LIBSVG.txtz", "gz");
  Put("out/lib.zavlibsvg", "library");
  Put("out/sub/x.svgz", "gz");

  snapshot.CleanUp();
  EXPECT_EQ(Read(Path("svg/bench.svg.inf")), handWritten);
  struct stat info;
  ASSERT_EQ(stat(Path("svg/bench.svg.inf").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  ASSERT_EQ(stat(Path("svg/same.svg.inf").c_str(), &info), 0);
  EXPECT_EQ(info.st_ino, sameBefore.st_ino) << "an unchanged file is left alone";
  EXPECT_FALSE(Exists(Path("svg/made.svg.inf")));
  EXPECT_EQ(Read(Path("svg/copyright.txt")), "mine\r\n");
  EXPECT_TRUE(Exists(Path("svg/sub/deep.svg.inf"))) << "nothing below the top is deleted";
  EXPECT_EQ(Read(Path("svg/sub/kept.svg.inf")), "[INFO]\r\nCAPTION=by hand\r\n");
  EXPECT_EQ(Read(Path("out/unrelated.svgz")), "user's own");
  EXPECT_FALSE(Exists(Path("out/bench.svgz")));
  EXPECT_FALSE(Exists(Path("out/LIBSVG.txt")));
  EXPECT_FALSE(Exists(Path("out/LIBSVG.txtz")));
  EXPECT_TRUE(Exists(Path("out/lib.zavlibsvg")));
  EXPECT_TRUE(Exists(Path("out/sub/x.svgz")));
  std::vector<std::string> svgLeft;
  ListFiles(svgLeft, Path("svg"), "*");
  EXPECT_EQ(svgLeft, (std::vector<std::string>{"bench.svg.inf", "copyright.txt", "same.svg.inf"}))
      << "no temporary file of the restore is left";
  ListFiles(svgLeft, Path("svg/sub"), "*");
  EXPECT_EQ(svgLeft, (std::vector<std::string>{"deep.svg.inf", "kept.svg.inf"}));
}

TEST_F(FileCleanupTest, DeletesACopyrightFileTheImportCreated) {
  MakeFolder("svg");
  MakeFolder("out");
  const BuildSnapshot snapshot = BuildSnapshot::Take(Path("svg"), Path("out"));
  Put("svg/copyright.txt", "x\r\n");
  Put("svg/a.svg.inf", "");
  snapshot.CleanUp();
  EXPECT_FALSE(Exists(Path("svg/copyright.txt")));
  EXPECT_FALSE(Exists(Path("svg/a.svg.inf")));
}

TEST_F(FileCleanupTest, ALinkLoopInTheSvgFolderDoesNotTrapTheSnapshot) {
  Put("svg/a.svg.inf", "mine");
  MakeFolder("out");
  std::filesystem::create_directory_symlink(Path("svg"), Path("svg/loop"));
  const BuildSnapshot snapshot = BuildSnapshot::Take(Path("svg"), Path("out"));
  Put("svg/a.svg.inf", "changed");
  snapshot.CleanUp();
  EXPECT_EQ(Read(Path("svg/a.svg.inf")), "mine");
}

TEST_F(FileCleanupTest, WorksInTheBuildsFoldersEvenWhenTheyWentAway) {
  MakeFolder("svg");
  MakeFolder("out");
  const BuildSnapshot snapshot = BuildSnapshot::Take(Path("svg"), Path("out"));
  std::filesystem::remove_all(Path("svg"));
  std::filesystem::remove_all(Path("out"));
  snapshot.CleanUp();
  EXPECT_FALSE(Exists(Path("svg")));
}

}  // namespace
