// Names that would leave the output folder or split a line are told apart from the rest,
// and a text shown in a message stays on one line.
#include "platform/name_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct NameCase {
  std::string name;
  bool valid;
};

class LibraryNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(LibraryNameTest, StaysOneFileNameAndOneField) {
  EXPECT_EQ(zav::IsValidLibraryName(GetParam().name), GetParam().valid) << zav::EscapeControlCharacters(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryNameTest,
    ::testing::Values(NameCase{"parks", true}, NameCase{"my lib.v2", true}, NameCase{"..parks", true},
                      NameCase{"...", true}, NameCase{"地図", true}, NameCase{"a:b=c|d", true},
                      NameCase{"", false}, NameCase{".", false}, NameCase{"..", false},
                      NameCase{"../escaped", false}, NameCase{"a/b", false}, NameCase{"a\\b", false},
                      NameCase{"a\rb", false}, NameCase{"a\nb", false}, NameCase{"tab\t", false},
                      NameCase{std::string("nul\0", 4), false}, NameCase{"del\x7f", false}));

TEST(EscapeControlCharactersTest, ShowsEachControlCharacterAsAnEscape) {
  EXPECT_EQ(zav::EscapeControlCharacters("plain text: \\ \"q\" 地図"), "plain text: \\ \"q\" 地図");
  EXPECT_EQ(zav::EscapeControlCharacters("a\r\nb\tc"), "a\\r\\nb\\tc");
  EXPECT_EQ(zav::EscapeControlCharacters(std::string("\x1b[31m\0\x7f\x1f", 8)), "\\x1b[31m\\x00\\x7f\\x1f");
  EXPECT_FALSE(zav::HasControlCharacter("no controls \x80\xff"));
  EXPECT_TRUE(zav::HasControlCharacter(std::string("\0", 1)));
}

}  // namespace
