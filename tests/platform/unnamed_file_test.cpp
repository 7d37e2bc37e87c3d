// A file made without a name and named later: it shows only once named, a taken name
// is refused and left alone, and an unnamed file that is dropped leaves nothing.
#include "platform/unnamed_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

enum class AtTheName { Nothing, File, Folder };

struct NameCase {
  const char* name;
  AtTheName before;
  int expected;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class UnnamedFileTest : public zavtest::TempDirTest {
 protected:
  std::size_t EntryCount() const {
    const std::filesystem::directory_iterator entries(Path());
    return static_cast<std::size_t>(std::distance(entries, std::filesystem::directory_iterator()));
  }
};

class UnnamedFileNameTest : public UnnamedFileTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(UnnamedFileNameTest, TakesItsNameOnlyWhereTheNameIsFree) {
  const NameCase& c = GetParam();
  const std::string path = Path("a.svgz");
  if (c.before == AtTheName::File) Put("a.svgz", "user's own");
  if (c.before == AtTheName::Folder) MakeFolder("a.svgz");
  zav::UnnamedFile file;
  ASSERT_EQ(file.Create(Path(), Bytes("member")), 0);
  EXPECT_TRUE(file);
  EXPECT_EQ(EntryCount(), c.before == AtTheName::Nothing ? 0u : 1u) << "not seen before it is named";
  EXPECT_EQ(file.NameAndClose(path), c.expected);
  if (c.expected == 0) {
    EXPECT_EQ(Read(path), "member");
    return;
  }
  if (c.before == AtTheName::File) {
    EXPECT_EQ(Read(path), "user's own");
  }
  // Still unnamed, so it can take another name.
  ASSERT_EQ(file.NameAndClose(Path("b.svgz")), 0);
  EXPECT_EQ(Read(Path("b.svgz")), "member");
}

INSTANTIATE_TEST_SUITE_P(Cases, UnnamedFileNameTest,
                         ::testing::Values(NameCase{"FreeName", AtTheName::Nothing, 0},
                                           NameCase{"NameOfAFile", AtTheName::File, EEXIST},
                                           NameCase{"NameOfAFolder", AtTheName::Folder, EEXIST}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnnamedFileTest, DroppedOrNeverMadeItLeavesNothing) {
  {
    zav::UnnamedFile file;
    ASSERT_EQ(file.Create(Path(), Bytes("member")), 0);
  }
  EXPECT_EQ(EntryCount(), 0u);

  Put("plain", "");
  zav::UnnamedFile file;
  EXPECT_EQ(file.Create(Path("none"), Bytes("x")), ENOENT);
  EXPECT_EQ(file.Create(Path("plain"), Bytes("x")), ENOTDIR);
  EXPECT_EQ(file.Create("", Bytes("x")), ENOENT) << "an empty folder text is not the current folder";
  EXPECT_FALSE(file);
  EXPECT_EQ(file.NameAndClose(Path("c.svgz")), EBADF);
  EXPECT_EQ(EntryCount(), 1u);
}

}  // namespace
