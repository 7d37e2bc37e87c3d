#include "frontend/build_snapshot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "frontend/file_cleanup.h"
#include "tests/support/temp_dir.h"

namespace {

using orlindo::BuildSnapshot;
using orlindo::ListFiles;

class BuildSnapshotTest : public zavtest::TempDirTest {};

TEST_F(BuildSnapshotTest, RemovesWhatTheBuildMadeAndGivesBackWhatItChanged) {
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

TEST_F(BuildSnapshotTest, DeletesACopyrightFileTheImportCreated) {
  MakeFolder("svg");
  MakeFolder("out");
  const BuildSnapshot snapshot = BuildSnapshot::Take(Path("svg"), Path("out"));
  Put("svg/copyright.txt", "x\r\n");
  Put("svg/a.svg.inf", "");
  snapshot.CleanUp();
  EXPECT_FALSE(Exists(Path("svg/copyright.txt")));
  EXPECT_FALSE(Exists(Path("svg/a.svg.inf")));
}

TEST_F(BuildSnapshotTest, ALinkLoopInTheSvgFolderDoesNotTrapTheSnapshot) {
  Put("svg/a.svg.inf", "mine");
  MakeFolder("out");
  std::filesystem::create_directory_symlink(Path("svg"), Path("svg/loop"));
  const BuildSnapshot snapshot = BuildSnapshot::Take(Path("svg"), Path("out"));
  Put("svg/a.svg.inf", "changed");
  snapshot.CleanUp();
  EXPECT_EQ(Read(Path("svg/a.svg.inf")), "mine");
}

TEST_F(BuildSnapshotTest, WorksInTheBuildsFoldersEvenWhenTheyWentAway) {
  MakeFolder("svg");
  MakeFolder("out");
  const BuildSnapshot snapshot = BuildSnapshot::Take(Path("svg"), Path("out"));
  std::filesystem::remove_all(Path("svg"));
  std::filesystem::remove_all(Path("out"));
  snapshot.CleanUp();
  EXPECT_FALSE(Exists(Path("svg")));
}

}  // namespace
