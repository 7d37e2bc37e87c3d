// A file that keeps its final name only once committed: written beside it and renamed,
// or written in place and removed, and never a temporary file left behind.
#include "platform/pending_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

enum class Placement { Beside, InPlace, InPlaceNew };

struct PendingCase {
  const char* name;
  Placement placement;
  std::optional<std::string> before;  // the final path's bytes; nullopt: no file there
  bool commit;
  int createError;
  std::optional<std::string> after;  // nullopt: no file there
};

void PrintTo(const PendingCase& c, std::ostream* os) { *os << c.name; }

class PendingFileTest : public zavtest::TempDirTest {
 protected:
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
};

class PendingFileCaseTest : public PendingFileTest, public ::testing::WithParamInterface<PendingCase> {};

TEST_P(PendingFileCaseTest, KeepsTheFinalNameOnlyWhenCommitted) {
  const PendingCase& c = GetParam();
  const std::string path = Path("final.bin");
  if (c.before) Put("final.bin", *c.before);
  {
    zav::PendingFile file;
    const int error =
        c.placement == Placement::Beside
            ? file.CreateBeside(path, "test")
            : file.CreateInPlace(path, {.disposition = c.placement == Placement::InPlace
                                                           ? zav::Disposition::CreateAlways
                                                           : zav::Disposition::CreateNew});
    ASSERT_EQ(error, c.createError);
    if (error == 0) {
      ASSERT_EQ(zav::TryWriteAll(file.fd(), std::string_view("new")), 0);
      if (c.commit) {
        ASSERT_EQ(file.Commit(), 0);
      }
    }
  }
  EXPECT_EQ(Exists(path), c.after.has_value());
  if (c.after) {
    EXPECT_EQ(Read(path), *c.after);
  }
  EXPECT_EQ(Names(), c.after ? std::vector<std::string>{"final.bin"} : std::vector<std::string>{})
      << "nothing but the final file is left";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PendingFileCaseTest,
    ::testing::Values(
        PendingCase{"BesideCommittedMakesTheFile", Placement::Beside, std::nullopt, true, 0, "new"},
        PendingCase{"BesideCommittedReplacesTheFile", Placement::Beside, "old bytes", true, 0, "new"},
        PendingCase{"BesideDroppedKeepsTheOldFile", Placement::Beside, "old bytes", false, 0, "old bytes"},
        PendingCase{"BesideDroppedLeavesNothing", Placement::Beside, std::nullopt, false, 0, std::nullopt},
        PendingCase{"InPlaceCommittedStays", Placement::InPlace, "old bytes", true, 0, "new"},
        // Written in place, so truncated at once: without a commit nothing of it is kept.
        PendingCase{"InPlaceDroppedIsRemoved", Placement::InPlace, "old bytes", false, 0, std::nullopt},
        PendingCase{"InPlaceNewCommittedStays", Placement::InPlaceNew, std::nullopt, true, 0, "new"},
        PendingCase{"InPlaceNewRefusesATakenName", Placement::InPlaceNew, "old bytes", false, EEXIST,
                    "old bytes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PendingFileTest, TheTemporaryNameIsHiddenBesideTheFinalOne) {
  zav::PendingFile file;
  ASSERT_EQ(file.CreateBeside(Path("final.bin"), "zavbuild"), 0);
  const std::vector<std::string> names = Names();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].rfind(".zavbuild-" + std::to_string(getpid()) + "-", 0), 0u) << names[0];
  EXPECT_TRUE(names[0].ends_with(".tmp")) << names[0];
  EXPECT_EQ(file.FinalPath(), Path("final.bin"));
}

TEST_F(PendingFileTest, FailuresLeaveNothingAndKeepErrno) {
  zav::PendingFile file;
  EXPECT_EQ(file.CreateBeside(Path("none/final.bin"), "test"), ENOENT);
  EXPECT_EQ(file.CreateInPlace(Path("none/final.bin"), {}), ENOENT);

  // A folder in the way is refused at once; one that comes meanwhile fails the rename,
  // and the temporary file still goes.
  MakeFolder("final.bin/inside");
  EXPECT_EQ(file.CreateBeside(Path("final.bin"), "test"), EISDIR);
  std::filesystem::rename(Path("final.bin"), Path("later"));
  {
    zav::PendingFile blocked;
    ASSERT_EQ(blocked.CreateBeside(Path("final.bin"), "test"), 0);
    std::filesystem::rename(Path("later"), Path("final.bin"));
    EXPECT_NE(blocked.Commit(), 0);
    errno = EDQUOT;
  }
  EXPECT_EQ(errno, EDQUOT) << "the caller's errno survives the clean-up";
  EXPECT_EQ(Names(), std::vector<std::string>{"final.bin"});
}

// A link at the final name is never replaced nor written through, whether it was there
// first or came while the file was written.
TEST_F(PendingFileTest, ALinkAtTheFinalNameIsLeftAsItIs) {
  Put("target", "old");
  std::filesystem::create_symlink("target", Path("final.bin"));
  zav::PendingFile file;
  EXPECT_EQ(file.CreateBeside(Path("final.bin"), "test"), zav::kIsSymbolicLink);
  EXPECT_EQ(file.CreateInPlace(Path("final.bin"), {}), zav::kIsSymbolicLink);
  std::filesystem::remove(Path("final.bin"));
  {
    zav::PendingFile late;
    ASSERT_EQ(late.CreateBeside(Path("final.bin"), "test"), 0);
    std::filesystem::create_symlink("target", Path("final.bin"));
    EXPECT_EQ(late.Commit(), zav::kIsSymbolicLink);
  }
  EXPECT_TRUE(std::filesystem::is_symlink(Path("final.bin")));
  EXPECT_EQ(Read(Path("target")), "old");
  EXPECT_EQ(Names().size(), 2u) << "the link and its target, no temporary file";
}

TEST_F(PendingFileTest, AMovedFileIsOwnedOnce) {
  zav::PendingFile first;
  ASSERT_EQ(first.CreateBeside(Path("a"), "test"), 0);
  zav::PendingFile second(std::move(first));
  ASSERT_EQ(zav::TryWriteAll(second.fd(), std::string_view("moved")), 0);
  zav::PendingFile third;
  ASSERT_EQ(third.CreateInPlace(Path("b"), {}), 0);
  third = std::move(second);  // the file third held goes
  EXPECT_FALSE(Exists(Path("b")));
  ASSERT_EQ(third.Commit(), 0);
  EXPECT_EQ(Read(Path("a")), "moved");
  EXPECT_EQ(Names(), std::vector<std::string>{"a"});
}

}  // namespace
