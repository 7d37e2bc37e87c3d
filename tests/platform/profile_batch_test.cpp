// The descriptor writer's fast path against the reference it replaces: one
// WritePrivateProfileString call per key, then the flush. Both run on the same starting
// file, and the bytes, the mode, the result and errno must agree.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/private_profile.h"
#include "tests/support/bytes.h"
#include "tests/support/code_page.h"
#include "tests/support/temp_dir.h"

namespace {

using std::string;
using Writes = std::vector<zav::ProfileKeyWrite>;

struct Outcome {
  bool written = false;
  int error = 0;
  std::optional<string> bytes;  // nullopt: no file
  unsigned mode = 0;
};

class ProfileBatchTest : public zavtest::TempDirTest {
 protected:
  Outcome Observe(const string& file, bool written) const {
    Outcome outcome{written, written ? 0 : errno, std::nullopt, 0};
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0) {
      outcome.bytes = Read(file);
      outcome.mode = info.st_mode & 07777;
    }
    return outcome;
  }

  // The reference: a call per key, stopping at the first failure as the import does,
  // then the flush.
  Outcome PerKey(const string& name, const std::optional<string>& before, const Writes& writes) const {
    const string file = Start(name, before);
    bool written = true;
    for (const zav::ProfileKeyWrite& w : writes) {
      written = zav::WritePrivateProfileString(w.section, w.key, w.value, file);
      if (!written) break;
    }
    if (written) written = zav::WritePrivateProfileString(std::nullopt, std::nullopt, std::nullopt, file);
    return Observe(file, written);
  }

  Outcome Batch(const string& name, const std::optional<string>& before, const Writes& writes) const {
    const string file = Start(name, before);
    return Observe(file, zav::WritePrivateProfileStrings(writes, file));
  }

  // The same through the file's folder, opened once, as the import writes.
  Outcome InFolder(const string& name, const std::optional<string>& before, const Writes& writes) const {
    const string file = Start(name, before);
    zav::UniqueFd folder;
    string entry;
    EXPECT_EQ(zav::TryOpenFolderOf(file, "", folder, entry), 0) << file;
    return Observe(file, zav::WritePrivateProfileStringsIn(folder.get(), entry, writes, file));
  }

  void ExpectSame(const std::optional<string>& before, const Writes& writes, const string& what) {
    const Outcome reference = PerKey("reference/d.svg.inf", before, writes);
    const std::pair<const char*, Outcome> fastOnes[] = {{"fast", Batch("fast/d.svg.inf", before, writes)},
                                                        {"in", InFolder("in/d.svg.inf", before, writes)}};
    for (const auto& [folder, fast] : fastOnes) {
      EXPECT_EQ(fast.written, reference.written) << what << " in " << folder;
      EXPECT_EQ(fast.error, reference.error) << what << " in " << folder;
      ASSERT_EQ(fast.bytes.has_value(), reference.bytes.has_value()) << what << " in " << folder;
      if (reference.bytes) {
        EXPECT_TRUE(zavtest::SameBytes(*reference.bytes, *fast.bytes)) << what << " in " << folder;
      }
      EXPECT_EQ(fast.mode, reference.mode) << what << " in " << folder;
    }
    // No temporary file is left beside any.
    for (const char* folder : {"reference", "fast", "in"}) {
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path(folder)), std::filesystem::directory_iterator()),
                reference.bytes ? 1 : 0)
          << what << " in " << folder;
      std::filesystem::remove_all(Path(folder));
    }
  }

 private:
  string Start(const string& name, const std::optional<string>& before) const {
    if (before) return Put(name, *before);
    MakeFolder(std::filesystem::path(name).parent_path().string());
    return Path(name);
  }
};

// Two rows of one svgname write the same file twice, the later values winning.
Writes Rows(const std::vector<std::pair<string, string>>& rows) {
  Writes writes;
  for (const auto& [category, caption] : rows) {
    writes.push_back({"INFO", "CATEGORY", category});
    writes.push_back({"INFO", "CAPTION", caption});
  }
  return writes;
}

const string kUtf16LeMark = "\xFF\xFE";
const string kUtf16BeMark = "\xFE\xFF";

string Utf16(const string& ascii, bool bigEndian) {
  string out;
  for (char c : ascii) out += bigEndian ? string{'\0', c} : string{c, '\0'};
  return out;
}

struct StartingFile {
  const char* name;
  std::optional<string> bytes;
};

const std::vector<StartingFile> kStartingFiles = {
    {"none", std::nullopt},
    {"empty", ""},
    {"other sections, CR LF", "[HEAD]\r\na=1\r\n\r\n[INFO]\r\nUniqueID=P-1\r\n\r\n[TAIL]\r\nz=9\r\n"},
    {"LF, keys present in other case", "[info]\ncategory = old\nCaption=old  \nUniqueID=x\n"},
    {"CR only, no last line end", "[INFO]\rUniqueID=x\r; note"},
    {"mixed line ends", "[A]\r\nx=1\n[INFO]\rCAPTION=c\r\n"},
    {"UTF-8 mark", "\xEF\xBB\xBF[INFO]\r\nUniqueID=\xE5\x85\xAC\r\n"},
    {"UTF-16 LE", kUtf16LeMark + Utf16("[INFO]\r\nUniqueID=x\r\n", false)},
    {"UTF-16 BE, odd last byte", kUtf16BeMark + Utf16("[X]\r\nk=v\r\n", true) + "\x41"},
    {"invalid UTF-8 kept", "[INFO]\r\nnote=\xFF\xFE\x80\r\nCATEGORY=\xC3\r\n"},
    {"section twice, the first wins", "[INFO]\r\nA=1\r\n[INFO]\r\nCATEGORY=second\r\n"},
    {"blank lines before the next section", "[INFO]\r\nUniqueID=u\r\n\r\n\r\n[NEXT]\r\n"},
    {"NUL bytes in the file", string("[INFO]\r\nx=a\0b\r\n", 15)},
};

const std::vector<std::pair<const char*, Writes>> kWriteSequences = {
    {"one row", Rows({{"公園", "ベンチ"}})},
    {"empty values", Rows({{"", ""}})},
    {"two rows of one svgname", Rows({{"first", "1"}, {"second", "2"}})},
    {"odd bytes in values", Rows({{"\xFF\xFE bad \x80", "tab\there =x= ;not a comment"}})},
    {"NUL cuts a value", Rows({{string("cut\0here", 8), "  blanks kept  "}})},
    {"refused midway keeps the earlier write",
     Writes{{"INFO", "CATEGORY", "kept"}, {"INFO", "CAPTION", "line\r\nbreak"}, {"INFO", "CATEGORY", "never"}}},
    {"refused first", Writes{{"INFO", "KEY=X", "v"}}},
};

TEST_F(ProfileBatchTest, GivesTheBytesOfOneWritePerKey) {
  for (const int codePage : {65001, 932}) {
    const zavtest::ScopedCodePage scoped(codePage);
    for (const StartingFile& start : kStartingFiles) {
      for (const auto& [sequence, writes] : kWriteSequences) {
        ExpectSame(start.bytes, writes, string(start.name) + " / " + sequence + " / code page " + std::to_string(codePage));
      }
    }
  }
}

TEST_F(ProfileBatchTest, KeepsTheModeOfAnExistingFile) {
  const string before = "[INFO]\r\nUniqueID=u\r\n";
  for (const char* folder : {"reference", "fast"}) ::chmod(Put(string(folder) + "/d.svg.inf", before).c_str(), 0640);
  const Outcome reference = PerKey("reference/d.svg.inf", before, Rows({{"c", "d"}}));
  const Outcome fast = Batch("fast/d.svg.inf", before, Rows({{"c", "d"}}));
  EXPECT_EQ(fast.mode, 0640u);
  EXPECT_EQ(fast.mode, reference.mode);
  EXPECT_EQ(fast.bytes, reference.bytes);
}

// A link at the name, to a file or to nothing: the write through the folder decides as
// the one by path does, and the link's target is never written through.
TEST_F(ProfileBatchTest, ALinkAtTheNameIsLeftToTheGeneralWay) {
  for (const bool dangling : {false, true}) {
    Outcome outcomes[2];
    for (int way = 0; way < 2; ++way) {
      const string name = (dangling ? "dangling" : "linked") + std::to_string(way);
      const string folder = MakeFolder(name);
      const string target = folder + "/target";
      if (!dangling) Put(name + "/target", "[INFO]\r\nUniqueID=t\r\n");
      const string file = folder + "/d.svg.inf";
      ASSERT_EQ(::symlink(target.c_str(), file.c_str()), 0);
      errno = 0;
      bool written = false;
      if (way == 0) {
        written = zav::WritePrivateProfileStrings(Rows({{"c", "d"}}), file);
      } else {
        zav::UniqueFd opened;
        string entry;
        ASSERT_EQ(zav::TryOpenFolderOf(file, "", opened, entry), 0);
        written = zav::WritePrivateProfileStringsIn(opened.get(), entry, Rows({{"c", "d"}}), file);
      }
      outcomes[way] = {written, written ? 0 : errno, std::nullopt, 0};
      if (Exists(target)) outcomes[way].bytes = Read(target);
      outcomes[way].mode = std::filesystem::is_symlink(file) ? 1u : 0u;
    }
    EXPECT_EQ(outcomes[1].written, outcomes[0].written) << "dangling " << dangling;
    EXPECT_EQ(outcomes[1].error, outcomes[0].error) << "dangling " << dangling;
    EXPECT_EQ(outcomes[1].bytes, outcomes[0].bytes) << "dangling " << dangling;
    EXPECT_EQ(outcomes[1].mode, outcomes[0].mode) << "dangling " << dangling;
  }
}

TEST_F(ProfileBatchTest, FailsAsTheReferenceWhereNothingCanBeWritten) {
  const std::vector<std::pair<const char*, string>> cases = {
      {"missing folder", Path("no/such/d.svg.inf")},
      {"folder at the name", MakeFolder("dir.svg.inf")},
      {"path through a file", Put("file", "x") + "/d.svg.inf"},
  };
  for (const auto& [what, file] : cases) {
    errno = 0;
    EXPECT_FALSE(zav::WritePrivateProfileString("INFO", "CATEGORY", "c", file)) << what;
    const int reference = errno;
    errno = 0;
    EXPECT_FALSE(zav::WritePrivateProfileStrings(Rows({{"c", "d"}}), file)) << what;
    EXPECT_EQ(errno, reference) << what;
  }
  EXPECT_FALSE(Exists(Path("no")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path()), std::filesystem::directory_iterator()), 2);
}

// Generated files: lines drawn from pieces that the parser treats differently, joined
// by every kind of line end, in every form a file can be stored in.
TEST_F(ProfileBatchTest, AgreesWithTheReferenceOnGeneratedFiles) {
  const std::vector<string> pieces = {"[INFO]", "[info] ; c", "[OTHER]", "CATEGORY=a", " caption = b ",
                                      "UniqueID=1", "; comment", "", "  ", "no equals", "=v", "[", "[]",
                                      "Category=\xE5\x85\xAC\xE5\x9C\x92", "x=\xFF\x80", "CAPTION"};
  const std::vector<string> ends = {"\r\n", "\n", "\r", "\r\n"};
  const std::vector<string> marks = {"", "", "\xEF\xBB\xBF", kUtf16LeMark, kUtf16BeMark};
  std::mt19937 random(20261210);
  const auto pick = [&random](std::size_t count) { return std::uniform_int_distribution<std::size_t>(0, count - 1)(random); };
  for (int round = 0; round < 200; ++round) {
    const string mark = marks[pick(marks.size())];
    string text;
    const std::size_t lines = pick(8);
    for (std::size_t i = 0; i < lines; ++i) text += pieces[pick(pieces.size())] + ends[pick(ends.size())];
    if (pick(3) == 0) text += pieces[pick(pieces.size())];  // a last line without an end
    string bytes = mark;
    if (mark == kUtf16LeMark || mark == kUtf16BeMark) {
      for (char c : text) bytes += mark == kUtf16BeMark ? string{'\0', c} : string{c, '\0'};
      if (pick(4) == 0) bytes += 'Z';  // half a unit at the end
    } else {
      bytes += text;
    }
    Writes writes = Rows({{"cat" + std::to_string(round), "cap"}});
    if (pick(3) == 0) writes = Rows({{"one", "two"}, {"three", ""}});
    ExpectSame(bytes, writes, "round " + std::to_string(round));
  }
}

}  // namespace
