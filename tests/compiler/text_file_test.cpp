#include "compiler/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/copyright_file.h"
#include "platform/codepage.h"
#include "platform/failure.h"
#include "tests/support/bytes.h"
#include "tests/support/code_page.h"

namespace {

using zavtest::SameBytes;
using zavtest::ScopedCodePage;

struct LinesCase {
  std::string bytes;
  std::vector<std::string> lines;
};

class ReadTextLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(ReadTextLinesTest, SplitsAndDecodes) {
  ScopedCodePage utf8(65001);
  EXPECT_EQ(zav::ReadTextLines(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadTextLinesTest,
    ::testing::Values(
        LinesCase{"", {}},
        LinesCase{"a", {"a"}},
        LinesCase{"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        LinesCase{"a\r\n", {"a"}},                   // a break at the end adds no line
        LinesCase{"a\n\rb", {"a", "", "b"}},         // LF CR is two breaks
        LinesCase{"a\r\n\r\n", {"a", ""}},
        LinesCase{std::string("a\nb\0c\nd", 7), {"a", "b"}},  // NUL ends the text
        LinesCase{"\xEF\xBB\xBF" "caf\xC3\xA9\r\nx", {"caf\xC3\xA9", "x"}},
        LinesCase{std::string("\xFF\xFE" "a\0\r\0\n\0\x42\x30", 10), {"a", "\xE3\x81\x82"}},
        LinesCase{std::string("\xFE\xFF\0a\0\n\0b\0", 9), {"a", "b"}},  // odd last byte dropped
        LinesCase{"plain \xFF bad", {"plain \xEF\xBF\xBD bad"}}));      // ANSI UTF-8: U+FFFD

TEST(ReadTextLinesTest, DecodesTheCodePageNamedByTheEnvironment) {
  ScopedCodePage shiftJis(932);
  EXPECT_EQ(zav::ReadTextLines("\x8C\xF6\x89\x80\r\n"), std::vector<std::string>{"\xE5\x85\xAC\xE5\x9C\x92"});
}

TEST(ReadTextLinesTest, RefusesUndecodableMarkedText) {
  for (const std::string& bytes : {std::string("\xEF\xBB\xBF" "a\xC3"), std::string("\xFF\xFE" "a"),
                                  std::string("\xFE\xFF" "a")}) {
    try {
      zav::ReadTextLines(bytes);
      ADD_FAILURE() << "no failure for " << zavtest::HexAround(bytes, 0);
    } catch (const zav::Failure& failure) {
      EXPECT_EQ(zav::KindWord(failure.kind), "EEncodingError");
      EXPECT_EQ(failure.message, "No mapping for the Unicode character exists in the target multi-byte code page");
    }
  }
}

struct CopyrightCase {
  const char* codePage;
  std::string fileBytes;
  std::string stored;
};

class StoredCopyrightTextTest : public ::testing::TestWithParam<CopyrightCase> {};

TEST_P(StoredCopyrightTextTest, WritesTheLinesBackInTheirEncoding) {
  ScopedCodePage scope(zav::CodePageFromSetting(GetParam().codePage));
  EXPECT_TRUE(SameBytes(GetParam().stored, zav::StoredCopyrightText(GetParam().fileBytes)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StoredCopyrightTextTest,
    ::testing::Values(
        CopyrightCase{"1252", "Hello World", "Hello World\r\n"},
        CopyrightCase{"1252", "Hello World\r\n", "Hello World\r\n"},
        CopyrightCase{"1252", "Hello World\n", "Hello World\r\n"},
        CopyrightCase{"1252", "", ""},
        CopyrightCase{"1252", "\xA9 M\xFC" "ller", "\xA9 M\xFC" "ller\r\n"},  // bytes kept in 1252
        CopyrightCase{nullptr, "", "\xEF\xBB\xBF"},                // UTF-8 stands in for ANSI: mark
        CopyrightCase{nullptr, "Hello World", "\xEF\xBB\xBFHello World\r\n"},
        CopyrightCase{nullptr, "bad \xFF", "\xEF\xBB\xBF" "bad \xEF\xBF\xBD\r\n"},
        CopyrightCase{"932", "\x8C\xF6\x89\x80\n", "\x8C\xF6\x89\x80\r\n"},
        CopyrightCase{"1252", "\xEF\xBB\xBF", "\xEF\xBB\xBF"},
        CopyrightCase{"1252", "\xEF\xBB\xBF" "a\rb", "\xEF\xBB\xBF" "a\r\nb\r\n"},
        CopyrightCase{"1252", std::string("\xFF\xFE" "a\0", 4), std::string("\xFF\xFE" "a\0\r\0\n\0", 8)},
        // An unpaired surrogate comes back unchanged; the odd last byte is dropped.
        CopyrightCase{"1252", std::string("\xFE\xFF\xD8\x00\0b\x01", 7),
                      std::string("\xFE\xFF\xD8\x00\0b\0\r\0\n", 10)}));

}  // namespace
