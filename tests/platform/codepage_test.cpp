#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/failure.h"
#include "tests/support/code_page.h"

namespace {

using zavtest::ScopedCodePage;

TEST(CodePageTest, DefaultsToUtf8AndReplacesInvalidBytes) {
  EXPECT_EQ(zav::CodePageFromSetting(nullptr), 65001);
  EXPECT_EQ(zav::CodePageFromSetting(""), 65001);
  ScopedCodePage utf8(65001);
  EXPECT_TRUE(zav::AnsiCodePageHasMark());
  EXPECT_EQ(zav::DecodeAnsi("ab\x80"), "ab\xEF\xBF\xBD");
  EXPECT_EQ(zav::EncodeAnsi("\xE6\x97\xA5"), "\xE6\x97\xA5");
}

TEST(CodePageTest, ShiftJisThroughIconv) {
  EXPECT_EQ(zav::CodePageFromSetting("932"), 932);
  ScopedCodePage shiftJis(932);
  EXPECT_EQ(zav::AnsiCodePage(), 932);
  EXPECT_FALSE(zav::AnsiCodePageHasMark());
  // 公園 in Shift-JIS and UTF-8.
  EXPECT_EQ(zav::DecodeAnsi("\x8C\xF6\x89\x80"), "\xE5\x85\xAC\xE5\x9C\x92");
  EXPECT_EQ(zav::EncodeAnsi("\xE5\x85\xAC\xE5\x9C\x92"), "\x8C\xF6\x89\x80");
  // A lead byte at the very end decodes to U+FFFD; a character Shift-JIS lacks becomes "?".
  EXPECT_EQ(zav::DecodeAnsi("a\x8C"), "a\xEF\xBF\xBD");
  EXPECT_EQ(zav::EncodeAnsi("a\xC3\xA9" "b"), "a?b");
}

TEST(CodePageTest, Windows1252) {
  ScopedCodePage windows(1252);
  EXPECT_EQ(zav::DecodeAnsi("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(zav::EncodeAnsi("caf\xC3\xA9"), "caf\xE9");
}

// Each thread converts with a converter of its own, and a switch of code page reaches
// the converters already made.
TEST(CodePageTest, ConvertersFollowASwitchOfCodePage) {
  {
    ScopedCodePage shiftJis(932);
    EXPECT_EQ(zav::EncodeAnsi("\xE5\x85\xAC"), "\x8C\xF6");
  }
  ScopedCodePage windows(1252);
  EXPECT_EQ(zav::EncodeAnsi("\xC3\xA9"), "\xE9");
  EXPECT_EQ(zav::DecodeAnsi("\x80"), "\xE2\x82\xAC");
}

TEST(CodePageTest, UnknownValueIsAClearError) {
  for (const char* value : {"abc", "99999", "-5", "12345x", "0", "12345"}) {
    try {
      zav::CodePageFromSetting(value);
      ADD_FAILURE() << "no error for " << value;
    } catch (const zav::Failure& failure) {
      EXPECT_NE(failure.message.find("ZAV_CODEPAGE=" + std::string(value)), std::string::npos)
          << failure.message;
    }
  }
}

// ZAV_CODEPAGE is read at the first use and kept; a value that cannot be used is not
// kept, so every use until the program stops tells it.
TEST(CodePageTest, ReadsTheSettingOnce) {
  const char* old = getenv("ZAV_CODEPAGE");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  const int before = zav::OverrideAnsiCodePage(0);

  setenv("ZAV_CODEPAGE", "abc", 1);
  EXPECT_THROW(zav::AnsiCodePage(), zav::Failure);
  EXPECT_THROW(zav::AnsiCodePage(), zav::Failure);
  setenv("ZAV_CODEPAGE", "1252", 1);
  EXPECT_EQ(zav::AnsiCodePage(), 1252);
  setenv("ZAV_CODEPAGE", "932", 1);
  EXPECT_EQ(zav::AnsiCodePage(), 1252);

  zav::OverrideAnsiCodePage(before);
  saved ? setenv("ZAV_CODEPAGE", saved->c_str(), 1) : unsetenv("ZAV_CODEPAGE");
}

}  // namespace
