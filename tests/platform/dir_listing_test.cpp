#include "platform/dir_listing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

using DirListingTest = zavtest::TempDirTest;

TEST_F(DirListingTest, SortsByUpperCasedBytesThenOriginalBytes) {
  for (const char* name : {"b.svg", "B.svg", "a_b", "A.svg", ".hidden", "_x", "Zeta", "a"}) {
    Put(name, "");
  }
  MakeFolder("sub");
  std::vector<zav::DirEntry> entries;
  ASSERT_EQ(zav::ListFolder(Path(), entries), zav::ListResult::Listed);
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  // "_" (0x5F) sorts after the upper-case letters, as it does on NTFS.
  EXPECT_EQ(names, (std::vector<std::string>{".hidden", "a", "A.svg", "a_b", "B.svg", "b.svg",
                                             "sub", "Zeta", "_x"}));
  for (const auto& e : entries) EXPECT_EQ(e.isFolder, e.name == "sub") << e.name;
}

TEST_F(DirListingTest, LinksCountAsTheirTargets) {
  MakeFolder("real");
  Put("file.txt", "x");
  std::filesystem::create_directory_symlink(Path("real"), Path("linkdir"));
  std::filesystem::create_symlink(Path("file.txt"), Path("linkfile"));
  std::vector<zav::DirEntry> entries;
  ASSERT_EQ(zav::ListFolder(Path(), entries), zav::ListResult::Listed);
  for (const auto& e : entries) {
    if (e.name == "linkdir") {
      EXPECT_TRUE(e.isFolder);
    }
    if (e.name == "linkfile") {
      EXPECT_TRUE(e.isFile);
    }
  }
  EXPECT_TRUE(zav::IsExistingFolder(Path("linkdir")));
  EXPECT_TRUE(zav::IsExistingFile(Path("linkfile")));
  EXPECT_FALSE(zav::IsExistingFile(Path("real")));
  EXPECT_FALSE(zav::IsExistingFolder(Path("file.txt")));
}

// A name that a new file cannot take: a link counts as itself, even one that leads
// nowhere or to a folder; only a folder (or nothing) leaves the name to be told apart.
TEST_F(DirListingTest, ANameIsTakenByAnythingButAFolder) {
  Put("file", "x");
  MakeFolder("folder");
  std::filesystem::create_symlink("file", Path("to-file"));
  std::filesystem::create_symlink("folder", Path("to-folder"));
  std::filesystem::create_symlink("none", Path("dangling"));
  for (const char* taken : {"file", "to-file", "to-folder", "dangling"}) {
    EXPECT_TRUE(zav::IsTakenByNonFolder(Path(taken))) << taken;
  }
  EXPECT_FALSE(zav::IsTakenByNonFolder(Path("folder")));
  EXPECT_FALSE(zav::IsTakenByNonFolder(Path("none")));
  EXPECT_FALSE(zav::IsTakenByNonFolder(""));
}

TEST_F(DirListingTest, MissingAndUnreadableFolders) {
  std::vector<zav::DirEntry> entries;
  EXPECT_EQ(zav::ListFolder(Path("nope"), entries), zav::ListResult::NotFound);
  EXPECT_EQ(zav::ListFolder(Put("plain", "x"), entries), zav::ListResult::NotFound);
  if (IsRoot()) GTEST_SKIP() << "root reads any folder";
  MakeFolder("closed");
  std::filesystem::permissions(Path("closed"), std::filesystem::perms::none);
  EXPECT_EQ(zav::ListFolder(Path("closed"), entries), zav::ListResult::Unreadable);
}

}  // namespace
