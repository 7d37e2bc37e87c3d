#include "platform/private_profile.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/atomic_file.h"
#include "tests/support/bytes.h"
#include "tests/support/code_page.h"
#include "tests/support/temp_dir.h"

namespace {

using std::nullopt;
using std::optional;
using std::string;

// ASCII text as UTF-16 bytes, little- or big-endian.
string Utf16(const string& ascii, bool bigEndian = false) {
  string out;
  for (char c : ascii) {
    if (bigEndian) out += '\0';
    out += c;
    if (!bigEndian) out += '\0';
  }
  return out;
}

struct Write {
  optional<string> section;
  optional<string> key;
  optional<string> value;
};

struct WriteCase {
  const char* name;
  optional<string> before;  // nullopt: the file does not exist
  std::vector<Write> writes;
  string after;
};

// Names, not memory dumps, in the test list.
void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class ProfileWriteTest : public zavtest::TempDirTest,
                         public ::testing::WithParamInterface<WriteCase> {};

TEST_P(ProfileWriteTest, ChangesOnlyWhatWasWritten) {
  const WriteCase& c = GetParam();
  const string file = Path("profile.ini");
  if (c.before) Put("profile.ini", *c.before);
  for (const Write& w : c.writes) {
    ASSERT_TRUE(zav::WritePrivateProfileString(w.section, w.key, w.value, file)) << strerror(errno);
  }
  EXPECT_TRUE(zavtest::SameBytes(c.after, Read(file)));
  // Only the file itself is left: the temporary files went into it by rename.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path()),
                          std::filesystem::directory_iterator()),
            1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWriteTest,
    ::testing::Values(
        WriteCase{"CreatesWithoutMarkInCrLf", nullopt,
                  {{"INFO", "CATEGORY", "公園"}, {"INFO", "CAPTION", "ベンチ"}, {nullopt, nullopt, nullopt}},
                  "[INFO]\r\nCATEGORY=公園\r\nCAPTION=ベンチ\r\n"},
        WriteCase{"EmptyValueKeepsTheKey", nullopt, {{"作業環境", "SVGフォルダ", ""}},
                  "[作業環境]\r\nSVGフォルダ=\r\n"},
        WriteCase{"ReplacesInPlaceKeepingTheKeysSpellingAndOtherLines",
                  "; head\n[A]\nx=1\n[B] ; note\n  Key = old value  \nz=2\n",
                  {{"b", "KEY", "new"}},
                  "; head\n[A]\nx=1\n[B] ; note\nKey=new\nz=2\n"},
        WriteCase{"FirstOfDuplicateSectionsAndKeys", "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\n",
                  {{"A", "k", "9"}}, "[A]\r\nk=9\r\nk=2\r\n[a]\r\nk=3\r\n"},
        WriteCase{"AddsKeyBeforeTheBlankLinesThatEndTheSection",
                  "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", {{"A", "new", "v"}},
                  "[A]\r\nx=1\r\nnew=v\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"AddsKeyToAnEmptyLastSectionWithoutLineEnd", "[A]\r\nx=1\r\n[B]",
                  {{"B", "k", "v"}}, "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        WriteCase{"AppendsMissingSectionAfterALastLineWithoutEnd", "[A]\nx=1",
                  {{"B", "k", "v"}}, "[A]\nx=1\r\n[B]\r\nk=v\r\n"},
        WriteCase{"KeepsBytesTheCodePageCannotDecode", "[A]\r\nv=\x80\xFF\r\n",
                  {{"A", "w", "1"}}, "[A]\r\nv=\x80\xFF\r\nw=1\r\n"},
        WriteCase{"KeepsTheUtf8Mark", "\xEF\xBB\xBF[A]\r\n", {{"A", "k", "値"}},
                  "\xEF\xBB\xBF[A]\r\nk=値\r\n"},
        WriteCase{"Utf16LittleEndianStaysUtf16", "\xFF\xFE" + Utf16("[S]\r\nk=old\r\n"),
                  {{"s", "K", "\xE5\x80\xA4"}, {"S", "new", "v"}},  // 値, U+5024
                  "\xFF\xFE" + Utf16("[S]\r\nk=") + "\x24\x50" + Utf16("\r\nnew=v\r\n")},
        WriteCase{"Utf16BigEndianStaysBigEndian", "\xFE\xFF" + Utf16("[S]\r\n", true),
                  {{"S", "k", "v"}}, "\xFE\xFF" + Utf16("[S]\r\nk=v\r\n", true)},
        // Found by fuzzing: the half unit stayed inside the last line, so the lines added
        // after it were shifted by a byte and read back as garbage.
        WriteCase{"Utf16HalfUnitStaysAtTheEnd", "\xFF\xFE" + Utf16("[S]\r\nk=v") + "A",
                  {{"T", "x", "y"}}, "\xFF\xFE" + Utf16("[S]\r\nk=v\r\n[T]\r\nx=y\r\n") + "A"},
        // Found by fuzzing: a NUL in a database value reached the descriptor, where the
        // compiler's reader ends the text, so every line after it (the caption, the
        // UniqueID) was lost. Names and values end at a NUL, as Windows' C strings do.
        WriteCase{"ValuesEndAtANul", "[INFO]\r\nCATEGORY=old\r\nUniqueID=X\r\n",
                  {{"INFO", "CATEGORY", string("a\0b", 3)}, {string("INFO\0x", 6), string("CAPTION\0", 8), "c"}},
                  "[INFO]\r\nCATEGORY=a\r\nUniqueID=X\r\nCAPTION=c\r\n"},
        WriteCase{"DeletesAKeyAndASection", "[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n[C]\r\n",
                  {{"A", "x", nullopt}, {"b", nullopt, nullopt}, {"A", "missing", nullopt}},
                  "[A]\r\ny=2\r\n[C]\r\n"}),
    [](const auto& info) { return string(info.param.name); });

struct ReadCase {
  const char* name;
  string file;
  const char* section;
  const char* key;
  string expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ProfileReadTest : public zavtest::TempDirTest,
                        public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ProfileReadTest, ReadsAsWindowsDoes) {
  const ReadCase& c = GetParam();
  Put("profile.ini", c.file);
  EXPECT_EQ(zav::GetPrivateProfileString(c.section, c.key, "default", Path("profile.ini")),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileReadTest,
    ::testing::Values(
        ReadCase{"NamesWithoutCaseOrBlanks", "[Ｓｅｃ]\r\n  Key  =  a value  \r\n", " ｓｅｃ", "KEY ", "a value"},
        ReadCase{"DoubleQuotesDropped", "[s]\nk=\"q v\"\n", "s", "k", "q v"},
        ReadCase{"SingleQuotesDropped", "[s]\nk='q'\n", "s", "k", "q"},
        ReadCase{"UnmatchedQuotesKept", "[s]\nk=\"q'\n", "s", "k", "\"q'"},
        ReadCase{"LoneQuoteKept", "[s]\nk=\"\n", "s", "k", "\""},
        ReadCase{"EmptyQuotesGiveEmpty", "[s]\nk=\"\"\n", "s", "k", ""},
        ReadCase{"EmptyValueIsNotTheDefault", "[s]\nk=\n", "s", "k", ""},
        ReadCase{"FirstSectionAndFirstKeyWin", "[s]\nk=1\nk=2\n[S]\nk=3\n", "s", "k", "1"},
        ReadCase{"MissingSection", "[s]\nk=1\n", "t", "k", "default"},
        ReadCase{"MissingKey", "[s]\nk=1\n", "s", "j", "default"},
        ReadCase{"KeyOfAnotherSection", "[s]\n[t]\nk=1\n", "s", "k", "default"},
        ReadCase{"LinesBeforeAnySectionIgnored", "k=1\n[s]\n", "s", "k", "default"},
        ReadCase{"LineWithoutEqualsNeverMatches", "[s]\nk\n", "s", "k", "default"},
        ReadCase{"CommentNeverMatches", "[s]\n;k=1\n", "s", ";k", "default"},
        ReadCase{"CarriageReturnsAloneEndLines", "[s]\rj=0\rk=1\r", "s", "k", "1"},
        ReadCase{"Utf8Mark", "\xEF\xBB\xBF[作業環境]\r\nSVGフォルダ=/s\r\n", "作業環境", "SVGフォルダ", "/s"},
        ReadCase{"Utf16LittleEndian", "\xFF\xFE" + Utf16("[s]\r\nk=v\r\n"), "s", "k", "v"},
        ReadCase{"ExactlyTheLimit", "[s]\nk=" + string(2047, 'a') + "\n", "s", "k", string(2047, 'a')},
        ReadCase{"CutAtTheLimit", "[s]\nk=" + string(3000, 'a') + "\n", "s", "k", string(2047, 'a')},
        ReadCase{"CutCountsCharactersNotBytes", "[s]\nk=" + [] {
                   string v;
                   for (int i = 0; i < 2100; ++i) v += "値";
                   return v;
                 }() + "\n",
                 "s", "k",
                 [] {
                   string v;
                   for (int i = 0; i < 2047; ++i) v += "値";
                   return v;
                 }()},
        // U+1F600 takes two UTF-16 units: it does not fit into the last one.
        ReadCase{"PairNeverSplit", "[s]\nk=" + string(2046, 'a') + "\xF0\x9F\x98\x80\n", "s", "k",
                 string(2046, 'a')}),
    [](const auto& info) { return string(info.param.name); });

class ProfileTest : public zavtest::TempDirTest {};

TEST_F(ProfileTest, DefaultWhenFileMissingLosesTrailingSpaces) {
  EXPECT_EQ(zav::GetPrivateProfileString("s", "k", " d  ", Path("none.ini")), " d");
  EXPECT_EQ(zav::GetPrivateProfileString("s", "k", "", Path("none.ini")), "");
  EXPECT_FALSE(Exists(Path("none.ini")));
}

TEST_F(ProfileTest, CreatesInTheSelectedCodePage) {
  const zavtest::ScopedCodePage shiftJis(932);
  const string file = Path("sjis.ini");
  ASSERT_TRUE(zav::WritePrivateProfileString("作業環境", "コピーライト", "公園", file));
  // [作業環境] / コピーライト=公園 in Shift-JIS, no mark.
  EXPECT_TRUE(zavtest::SameBytes(
      "[\x8D\xEC\x8B\xC6\x8A\xC2\x8B\xAB]\r\n"
      "\x83\x52\x83\x73\x81\x5B\x83\x89\x83\x43\x83\x67=\x8C\xF6\x89\x80\r\n",
      Read(file)));
  EXPECT_EQ(zav::GetPrivateProfileString("作業環境", "コピーライト", "", file), "公園");
}

TEST_F(ProfileTest, FailuresLeaveEverythingAsItWas) {
  const string before = "[s]\r\nk=v\r\n";
  const string file = Put("p.ini", before);
  struct Failing {
    const char* what;
    string file;
    Write write;
    int error;
  };
  const std::vector<Failing> cases = {
      {"missing folder", Path("no/such/p.ini"), {"s", "k", "v"}, ENOENT},
      {"folder as file", MakeFolder("dir.ini"), {"s", "k", "v"}, EISDIR},
      {"through a file", Path("p.ini/x.ini"), {"s", "k", "v"}, ENOTDIR},
      {"line break in value", file, {"s", "k", "a\r\n[t]\r\nx=1"}, EINVAL},
      {"line break in key", file, {"s", "k\n", "v"}, EINVAL},
      {"equals in key", file, {"s", "a=b", "v"}, EINVAL},
      {"key without section", file, {nullopt, "k", "v"}, EINVAL},
  };
  for (const Failing& c : cases) {
    errno = 0;
    EXPECT_FALSE(zav::WritePrivateProfileString(c.write.section, c.write.key, c.write.value, c.file))
        << c.what;
    EXPECT_EQ(errno, c.error) << c.what << ": " << strerror(errno);
  }
  EXPECT_EQ(Read(file), before);
  EXPECT_FALSE(Exists(Path("no")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path()),
                          std::filesystem::directory_iterator()),
            2);  // p.ini and dir.ini: no temporary file left behind
}

TEST_F(ProfileTest, ReadOnlyFileIsRefusedAndKept) {
  if (IsRoot()) GTEST_SKIP() << "root may write any file; the refusal cannot show";
  const string file = Put("p.ini", "[s]\r\nk=v\r\n");
  chmod(file.c_str(), 0444);
  errno = 0;
  EXPECT_FALSE(zav::WritePrivateProfileString("s", "k", "w", file));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(Read(file), "[s]\r\nk=v\r\n");
}

TEST_F(ProfileTest, KeepsPermissionsAndLinks) {
  const string target = Put("real/p.ini", "[s]\r\n");
  chmod(target.c_str(), 0640);
  std::filesystem::create_symlink("real/p.ini", Path("link.ini"));
  ASSERT_TRUE(zav::WritePrivateProfileString("s", "k", "v", Path("link.ini")));
  ASSERT_TRUE(zav::SyncFileToDisk(Path("link.ini")));
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.ini")));
  EXPECT_EQ(Read(target), "[s]\r\nk=v\r\n");
  struct stat info {};
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(ProfileTest, FlushOfAFileNeverWrittenSucceedsAndCreatesNothing) {
  EXPECT_TRUE(zav::WritePrivateProfileString(nullopt, nullopt, nullopt, Path("none.ini")));
  EXPECT_FALSE(Exists(Path("none.ini")));
  errno = 0;
  EXPECT_FALSE(zav::SyncFileToDisk(Path("none.ini")));
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
