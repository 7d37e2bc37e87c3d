#include "compiler/descriptor_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/failure.h"
#include "tests/support/temp_dir.h"
#include "compiler/text_file.h"

namespace {

struct DescriptorCase {
  const char* name;
  std::string text;
  const char* uniqueId;
  const char* caption;
  const char* category;
};

class ParseDescriptorTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(ParseDescriptorTest, ReadsTheThreeKeys) {
  const DescriptorCase& c = GetParam();
  const zav::Descriptor d = zav::ParseDescriptor(zav::ReadTextLines(c.text));
  EXPECT_EQ(d.uniqueId, c.uniqueId);
  EXPECT_EQ(d.caption, c.caption);
  EXPECT_EQ(d.category, c.category);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseDescriptorTest,
    ::testing::Values(
        DescriptorCase{"Plain", "[INFO]\r\nCATEGORY=Furniture\r\nCAPTION=Park bench\r\nUniqueID=PB-1\r\n",
                       "PB-1", "Park bench", "Furniture"},
        DescriptorCase{"TrimmedAroundKeyAndValue", " [ INFO ] \n\t CAPTION = Park bench \x01\n", "",
                       "Park bench", ""},
        DescriptorCase{"NamesWithoutCase", "[info]\nuniqueid=x\ncaption=c\nCategory=k\n", "x", "c", "k"},
        DescriptorCase{"ValuesAsTheyStand", "[INFO]\nCAPTION=\"quoted\" ; not a comment\nCATEGORY=a=b\n",
                       "", "\"quoted\" ; not a comment", "a=b"},
        DescriptorCase{"CommentsAndLinesWithoutEquals", "[INFO]\n;CAPTION=no\n  ;CATEGORY=no\nCAPTION\nCAPTION=yes\n",
                       "", "yes", ""},
        DescriptorCase{"HashIsNoComment", "[INFO]\n#CAPTION=x\nCATEGORY=#k\n", "", "", "#k"},
        DescriptorCase{"LinesBeforeAnySectionIgnored", "CAPTION=early\n[INFO]\nCATEGORY=k\n", "", "", "k"},
        DescriptorCase{"FirstSectionOnly", "[INFO]\nCAPTION=first\n[OTHER]\nCATEGORY=o\n[info]\nCATEGORY=second\n",
                       "", "first", ""},
        DescriptorCase{"FirstKeyWins", "[INFO]\nCAPTION=one\ncaption=two\n", "", "one", ""},
        DescriptorCase{"OtherSectionIgnored", "[META]\nCAPTION=x\n", "", "", ""},
        DescriptorCase{"BlankUniqueIdIsEmpty", "[INFO]\nUniqueID=   \n", "", "", ""},
        DescriptorCase{"FullUnicodeCase", "[\xC4\xB1nfo]\nCAPTION=x\n", "", "x", ""},  // dotless i
        DescriptorCase{"Japanese", "\xEF\xBB\xBF[INFO]\r\nCAPTION=\xE5\x85\xAC\xE5\x9C\x92\r\n", "",
                       "\xE5\x85\xAC\xE5\x9C\x92", ""},
        DescriptorCase{"NulEndsTheText", std::string("[INFO]\nCAPTION=a\0\nCATEGORY=b\n", 27), "", "a", ""}),
    [](const auto& info) { return std::string(info.param.name); });

class ReadDescriptorTest : public zavtest::TempDirTest {};

TEST_F(ReadDescriptorTest, ReadsUtf16AndReportsOpenAndEncodingFailures) {
  const std::string utf16 = Put("a.svg.inf", std::string("\xFE\xFF\0[\0I\0N\0F\0O\0]\0\n\0C\0A\0P\0T\0I\0O\0N\0=\0z", 34));
  EXPECT_EQ(zav::ReadDescriptor(utf16).caption, "z");

  try {
    zav::ReadDescriptor(Path("missing.svg.inf"));
    ADD_FAILURE();
  } catch (const zav::Failure& f) {
    EXPECT_EQ(zav::KindWord(f.kind), "EFOpenError");
    EXPECT_EQ(f.message, "Cannot open file \"" + Path("missing.svg.inf") + "\". No such file or directory");
  }
  const std::string bad = Put("b.svg.inf", "\xEF\xBB\xBF[INFO]\nCAPTION=\xC0\n");
  try {
    zav::ReadDescriptor(bad);
    ADD_FAILURE();
  } catch (const zav::Failure& f) {
    EXPECT_EQ(zav::KindWord(f.kind), "EEncodingError");
  }
}

}  // namespace
