#include "frontend/file_cleanup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

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
  Put("out/.zavbuild-1.tmp", "");
  Put("target.txt", "kept");
  ASSERT_EQ(symlink(Path("target.txt").c_str(), Path("out/link.svgz").c_str()), 0);
  ASSERT_EQ(mkdir(Path("out/folder.svgz").c_str(), 0755), 0);
  chmod(Path("out/ro.svgz").c_str(), 0444);

  constexpr std::string_view masks[] = {"*.svgz", ".zavbuild-*.tmp"};
  EXPECT_TRUE(DeleteFiles(Path("out"), masks, {"keep.svgz"}).empty());
  EXPECT_FALSE(Exists(Path("out/a.svgz")));
  EXPECT_FALSE(Exists(Path("out/.h.svgz")));
  EXPECT_FALSE(Exists(Path("out/.zavbuild-1.tmp")));
  EXPECT_TRUE(Exists(Path("out/keep.svgz")));
  EXPECT_TRUE(Exists(Path("out/ro.svgz")));
  EXPECT_TRUE(Exists(Path("out/sub/b.svgz")));
  EXPECT_TRUE(Exists(Path("out/lib.zavlibsvg")));
  EXPECT_TRUE(Exists(Path("out/folder.svgz")));
  // A link is looked at through, as a deletion by name always did, and the link goes.
  EXPECT_FALSE(std::filesystem::is_symlink(Path("out/link.svgz")));
  EXPECT_EQ(Read(Path("target.txt")), "kept");

  EXPECT_TRUE(DeleteFiles(Path("gone"), masks).empty());  // a vanished folder is passed over quietly
}

}  // namespace
