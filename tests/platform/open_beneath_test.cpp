// Files created below the folder the user gave stay below it: no link on the way or at
// the name, no "..", whether the kernel checks it (openat2) or the walk does.
#include "platform/open_beneath.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/file_io.h"
#include "platform/pending_file.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct RelativeCase {
  const char* folder;
  const char* path;
  std::optional<std::string> relative;
};

class RelativeBelowTest : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativeBelowTest, KeepsThePathBelowTheFolderText) {
  EXPECT_EQ(zav::RelativeBelow(GetParam().folder, GetParam().path), GetParam().relative);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RelativeBelowTest,
    ::testing::Values(RelativeCase{"svg", "svg/a.inf", "a.inf"}, RelativeCase{"svg/", "svg//sub/a", "sub/a"},
                      RelativeCase{"svg", "svg", "."}, RelativeCase{"/", "/etc/x", "etc/x"},
                      RelativeCase{"svg", "svg2/a", std::nullopt}, RelativeCase{"svg", "other/a", std::nullopt},
                      RelativeCase{"svg", "svg/../a", std::nullopt},
                      RelativeCase{"svg", "svg/sub/../a", std::nullopt},  // stricter than needed, never wrong
                      RelativeCase{"svg", "svg/..x/a", "..x/a"}, RelativeCase{"", "a", std::nullopt}));

struct BeneathCase {
  const char* name;
  const char* relative;  // below "root"
  int expected;
};

void PrintTo(const BeneathCase& c, std::ostream* os) { *os << c.name; }

// root/sub (a folder), root/linked -> ../elsewhere (a folder), root/file -> ../elsewhere/f,
// root/dangling -> ../elsewhere/new
class OpenBeneathTest : public zavtest::TempDirTest, public ::testing::WithParamInterface<BeneathCase> {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    MakeFolder("root/sub");
    MakeFolder("elsewhere");
    Put("elsewhere/f", "outside");
    fs::create_symlink("../elsewhere", Path("root/linked"));
    fs::create_symlink("../elsewhere/f", Path("root/file"));
    fs::create_symlink("../elsewhere/new", Path("root/dangling"));
  }
  void ExpectNothingOutside() {
    EXPECT_EQ(Read(Path("elsewhere/f")), "outside");
    EXPECT_FALSE(Exists(Path("elsewhere/new")));
    EXPECT_FALSE(Exists(Path("elsewhere/x")));
  }
};

constexpr int kCreate = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;

TEST_P(OpenBeneathTest, TheKernelsCheck) {
  const zav::UniqueFd root(::open(Path("root").c_str(), O_PATH | O_DIRECTORY));
  zav::UniqueFd fd;
  EXPECT_EQ(zav::TryOpenBeneath(root.get(), GetParam().relative, kCreate, 0600, fd), GetParam().expected);
  ExpectNothingOutside();
}

TEST_P(OpenBeneathTest, TheWalkWithoutOpenat2) {
  const zav::UniqueFd root(::open(Path("root").c_str(), O_PATH | O_DIRECTORY));
  zav::UniqueFd fd;
  EXPECT_EQ(zav::TryOpenBeneathByWalk(root.get(), GetParam().relative, kCreate, 0600, fd), GetParam().expected);
  ExpectNothingOutside();
}

TEST_P(OpenBeneathTest, TheLayersCreate) {
  zav::UniqueFd fd;
  const std::string root = Path("root");
  EXPECT_EQ(zav::TryCreateFile(root + "/" + GetParam().relative, {.beneath = root}, fd), GetParam().expected);
  ExpectNothingOutside();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenBeneathTest,
    ::testing::Values(BeneathCase{"AtTheTop", "x", 0}, BeneathCase{"InASubfolder", "sub/x", 0},
                      BeneathCase{"ThroughALinkedFolder", "linked/x", zav::kThroughSymbolicLink},
                      BeneathCase{"ALinkToAFile", "file", zav::kIsSymbolicLink},
                      BeneathCase{"ADanglingLink", "dangling", zav::kIsSymbolicLink},
                      BeneathCase{"AMissingFolder", "none/x", ENOENT}),
    [](const auto& info) { return std::string(info.param.name); });

using BeneathTest = zavtest::TempDirTest;

TEST_F(BeneathTest, APathThatLeavesIsRefusedBeforeAnythingIsOpened) {
  MakeFolder("root");
  zav::UniqueFd fd;
  const std::string root = Path("root");
  EXPECT_EQ(zav::TryCreateFile(root + "/../x", {.beneath = root}, fd), zav::kOutsideFolder);
  EXPECT_EQ(zav::TryCreateFile(Path("x"), {.beneath = root}, fd), zav::kOutsideFolder);
  EXPECT_FALSE(Exists(Path("x")));
}

TEST_F(BeneathTest, APendingFileStaysBelowTheFolderToo) {
  MakeFolder("root");
  MakeFolder("elsewhere");
  fs::create_symlink("../elsewhere", Path("root/linked"));
  const std::string root = Path("root");
  zav::PendingFile file;
  EXPECT_EQ(file.CreateBeside(root + "/linked/a.inf", "test", {.beneath = root}), zav::kThroughSymbolicLink);
  EXPECT_EQ(file.CreateInPlace(root + "/linked/a.inf", {.beneath = root}), zav::kThroughSymbolicLink);
  EXPECT_TRUE(fs::is_empty(Path("elsewhere")));
  ASSERT_EQ(file.CreateBeside(root + "/a.inf", "test", {.beneath = root}), 0);
  ASSERT_EQ(file.Commit(), 0);
  EXPECT_TRUE(Exists(Path("root/a.inf")));
}

}  // namespace
