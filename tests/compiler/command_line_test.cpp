#include "compiler/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
  const char* line;
  std::vector<std::string> expected;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, FollowsTheWindowsRules) {
  EXPECT_EQ(zav::SplitCommandLine(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"zavbuild.exe", {}},
        SplitCase{"zavbuild.exe lib src out", {"lib", "src", "out"}},
        SplitCase{"\"C:\\Program Files\\zavbuild.exe\" lib", {"lib"}},
        SplitCase{"zavbuild.exe \"my lib\" \"C:\\a b\\src\" out", {"my lib", "C:\\a b\\src", "out"}},
        SplitCase{"zavbuild.exe \t\x01lib\x1F\x20src", {"lib", "src"}},  // codes 1..32 separate
        SplitCase{"zavbuild.exe \"\" a b", {"a", "b"}},                  // an empty pair is skipped
        SplitCase{"zavbuild.exe \"\"\"\" a", {"a"}},
        SplitCase{"zavbuild.exe a\"b c\"d e", {"ab cd", "e"}},          // quotes inside an argument
        SplitCase{"zavbuild.exe a\"\"b", {"ab"}},
        SplitCase{"zavbuild.exe \"open to the end", {"open to the end"}},
        SplitCase{"zavbuild.exe a b \"", {"a", "b"}},                   // a lone quote is no argument
        SplitCase{"zavbuild.exe a\\\"b c", {"a\\b c"}},                 // no escape character
        SplitCase{"zavbuild.exe a b c d", {"a", "b", "c", "d"}}));

TEST(ArgumentsFromTest, DropsTheProgramAndEmptyArguments) {
  const char* argv[] = {"zavbuild", "", "a", "", "b", nullptr};
  EXPECT_EQ(zav::ArgumentsFrom(5, argv), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
