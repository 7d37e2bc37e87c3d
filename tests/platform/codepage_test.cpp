#include "platform/codepage.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/failure.h"

namespace {

class CodePageTest : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv("ZAV_CODEPAGE"); }
};

TEST_F(CodePageTest, DefaultsToUtf8AndReplacesInvalidBytes) {
  unsetenv("ZAV_CODEPAGE");
  EXPECT_EQ(zav::AnsiCodePage(), 65001);
  setenv("ZAV_CODEPAGE", "", 1);
  EXPECT_EQ(zav::AnsiCodePage(), 65001);
  EXPECT_TRUE(zav::AnsiCodePageHasMark());
  EXPECT_EQ(zav::DecodeAnsi("ab\x80"), "ab\xEF\xBF\xBD");
  EXPECT_EQ(zav::EncodeAnsi("\xE6\x97\xA5"), "\xE6\x97\xA5");
}

TEST_F(CodePageTest, ShiftJisThroughIconv) {
  setenv("ZAV_CODEPAGE", "932", 1);
  EXPECT_EQ(zav::AnsiCodePage(), 932);
  EXPECT_FALSE(zav::AnsiCodePageHasMark());
  // 公園 in Shift-JIS and UTF-8.
  EXPECT_EQ(zav::DecodeAnsi("\x8C\xF6\x89\x80"), "\xE5\x85\xAC\xE5\x9C\x92");
  EXPECT_EQ(zav::EncodeAnsi("\xE5\x85\xAC\xE5\x9C\x92"), "\x8C\xF6\x89\x80");
  // A lead byte at the very end decodes to U+FFFD; a character Shift-JIS lacks becomes "?".
  EXPECT_EQ(zav::DecodeAnsi("a\x8C"), "a\xEF\xBF\xBD");
  EXPECT_EQ(zav::EncodeAnsi("a\xC3\xA9" "b"), "a?b");
}

TEST_F(CodePageTest, Windows1252) {
  setenv("ZAV_CODEPAGE", "1252", 1);
  EXPECT_EQ(zav::DecodeAnsi("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(zav::EncodeAnsi("caf\xC3\xA9"), "caf\xE9");
}

TEST_F(CodePageTest, UnknownValueIsAClearError) {
  for (const char* value : {"abc", "99999", "-5", "12345x"}) {
    setenv("ZAV_CODEPAGE", value, 1);
    try {
      zav::AnsiCodePage();
      ADD_FAILURE() << "no error for " << value;
    } catch (const zav::Failure& failure) {
      EXPECT_NE(failure.message.find("ZAV_CODEPAGE"), std::string::npos) << failure.message;
    }
  }
}

}  // namespace
