#include "platform/unicode.h"

#include <gtest/gtest.h>

namespace {

TEST(UnicodeTest, InvalidUtf8BecomesReplacementCharacter) {
  EXPECT_TRUE(zav::IsValidUtf8("abc \xE6\x97\xA5"));
  EXPECT_FALSE(zav::IsValidUtf8("a\xFF" "b"));
  EXPECT_FALSE(zav::IsValidUtf8("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(zav::IsValidUtf8("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(zav::IsValidUtf8("\xE6\x97"));          // cut short
  EXPECT_EQ(zav::SanitizeUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
}

TEST(UnicodeTest, Utf16RoundTripsBothByteOrders) {
  const std::string text = "A\xE6\x97\xA5\xF0\x9F\x97\xBA";  // A, 日, a map emoji
  for (bool bigEndian : {false, true}) {
    const std::string bytes = zav::Utf16ToBytes(zav::Utf8ToUtf16(text), bigEndian);
    EXPECT_EQ(bytes.size(), 8u);
    EXPECT_EQ(zav::Utf16ToUtf8(zav::Utf16FromBytes(bytes, bigEndian)), text);
  }
  EXPECT_EQ(zav::Utf16ToBytes(u"A", false), std::string("A\0", 2));
  EXPECT_EQ(zav::Utf16FromBytes(std::string("A\0B", 3), false), u"A");  // odd byte dropped
  EXPECT_EQ(zav::Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(UnicodeTest, UpperCasingCoversMoreThanAscii) {
  EXPECT_EQ(zav::UpperCaseText("uniqueId"), "UNIQUEID");
  EXPECT_EQ(zav::UpperCaseText("\xC3\xA9t\xC3\xA9"), "\xC3\x89T\xC3\x89");  // été
  EXPECT_EQ(zav::UpperCaseText("\xD0\xB8\xD0\xBD\xD1\x84\xD0\xBE"), "\xD0\x98\xD0\x9D\xD0\xA4\xD0\x9E");  // инфо
  EXPECT_TRUE(zav::EqualIgnoringCase("Info", "INFO"));
  EXPECT_FALSE(zav::EqualIgnoringCase("INFO", "INF0"));
}

}  // namespace
