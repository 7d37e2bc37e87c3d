// Paths as texts: joined exactly as the folder text stands, split at the last "/", and
// measured in characters.
#include "platform/path_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct JoinCase {
  const char* folder;
  const char* name;
  const char* joined;      // JoinPathText: always one separator added
  const char* scanJoined;  // JoinScanPathText: none added after a folder ending in one
};

class JoinPathTextTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(JoinPathTextTest, KeepsTheFolderTextAsGiven) {
  const JoinCase& c = GetParam();
  EXPECT_EQ(zav::JoinPathText(c.folder, c.name), c.joined);
  EXPECT_EQ(zav::JoinScanPathText(c.folder, c.name), c.scanJoined);
}

INSTANTIATE_TEST_SUITE_P(Cases, JoinPathTextTest,
                         ::testing::Values(JoinCase{"out", "a.svgz", "out/a.svgz", "out/a.svgz"},
                                           JoinCase{"out/", "a.svgz", "out//a.svgz", "out/a.svgz"},
                                           JoinCase{"./out", "a.svgz", "./out/a.svgz", "./out/a.svgz"},
                                           JoinCase{"a/../b", "c", "a/../b/c", "a/../b/c"},
                                           JoinCase{"/", "a", "//a", "/a"},
                                           JoinCase{"", "a", "/a", "/a"},
                                           JoinCase{"out", "", "out/", "out/"},
                                           JoinCase{"out\\", "a", "out\\/a", "out\\/a"},
                                           JoinCase{"地図 ", "公園.svg", "地図 /公園.svg", "地図 /公園.svg"}));

struct SplitCase {
  const char* path;
  const char* folder;
  const char* name;
};

class SplitPathTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitPathTextTest, SplitsAtTheLastSeparator) {
  EXPECT_EQ(zav::FolderOfPath(GetParam().path), GetParam().folder);
  EXPECT_EQ(zav::FileNameOfPath(GetParam().path), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitPathTextTest,
                         ::testing::Values(SplitCase{"out/lib.zavlibsvg", "out", "lib.zavlibsvg"},
                                           SplitCase{"lib.zavlibsvg", ".", "lib.zavlibsvg"},
                                           SplitCase{"/lib", "/", "lib"},
                                           SplitCase{"a/b/c", "a/b", "c"},
                                           SplitCase{"out//a", "out/", "a"},
                                           SplitCase{"out/", "out", ""}));

TEST(LengthCharsTest, CountsCodePointsNotBytes) {
  EXPECT_EQ(zav::LengthChars(""), 0u);
  EXPECT_EQ(zav::LengthChars("abc"), 3u);
  EXPECT_EQ(zav::LengthChars("公園/a"), 4u);
  EXPECT_EQ(zav::LengthChars("\xF0\x9F\x98\x80"), 1u);  // one character, two UTF-16 units
}

}  // namespace
