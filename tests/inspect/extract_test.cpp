// extract: the files and their bytes, names that would leave the folder, files that
// exist already and damage found halfway, after which the folder is as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/inspect/inspect_fixture.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/library_bytes.h"

namespace {

using zavtest::LibraryMaker;

const std::string kMark = "\xEF\xBB\xBF";

class ExtractTest : public zavtest::InspectTest {
 protected:
  // Symbols named as given, each "<svg/>", the first with an alias.
  std::string Library(const std::vector<std::string>& names) {
    LibraryMaker maker;
    std::string index = kMark;
    for (std::size_t i = 0; i < names.size(); ++i) {
      index += "lib:" + names[i] + "=" + std::to_string(maker.AddSymbol("<svg/>")) + "|Cap|Cat\r\n";
      if (i == 0) index += "ID=@lib:" + names[i] + "\r\n";
    }
    return Put("lib.zavlibsvg", maker.Finish(index));
  }

  std::set<std::string> Names(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
  }
};

TEST_F(ExtractTest, WritesEverySymbolWithItsDescriptorAndTheCopyright) {
  LibraryMaker maker;
  const std::uint32_t a = maker.AddSymbol("<svg/>");
  const std::uint32_t b = maker.AddSymbol("<svg>地図</svg>");
  const std::string path = Put("lib.zavlibsvg", maker.Finish(kMark + "lib:a=" + std::to_string(a) +
                                                             "|Ay=1|Cat\r\nA-1=@lib:a\r\nlib:b=" + std::to_string(b) +
                                                             "||\r\n"));
  const zavtest::InspectResult result = Inspect({"extract", path, Path("out")});
  EXPECT_EQ(result.out, "Extracted 2 symbols into " + Path("out") + "\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(Names(Path("out")), (std::set<std::string>{"a.svg", "a.svg.inf", "b.svg", "b.svg.inf", "copyright.txt"}));
  EXPECT_EQ(Read(Path("out/a.svg")), "<svg/>");
  EXPECT_EQ(Read(Path("out/a.svg.inf")), kMark + "[INFO]\r\nCATEGORY=Cat\r\nCAPTION=Ay=1\r\nUniqueID=A-1\r\n");
  EXPECT_EQ(Read(Path("out/b.svg")), "<svg>地図</svg>");
  EXPECT_EQ(Read(Path("out/b.svg.inf")), kMark + "[INFO]\r\nCATEGORY=\r\nCAPTION=\r\n");
  EXPECT_EQ(Read(Path("out/copyright.txt")), "Hello World\r\n");
  EXPECT_EQ(Names(Path()), (std::set<std::string>{"lib.zavlibsvg", "out"}));  // no folder left beside it
}

struct NameCase {
  const char* name;
  std::string symbol;
  std::string problem;
};

class ExtractNameTest : public ExtractTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(ExtractNameTest, RefusesANameThatCannotStayInsideTheFolder) {
  const NameCase& c = GetParam();
  const std::string path = Library({"fine", c.symbol});
  const zavtest::InspectResult result = Inspect({"extract", path, Path("out")});
  // A control character is shown escaped; a repeated name is also the reader's warning.
  const std::string shown = c.symbol == "bell\x07" ? "bell\\x07" : c.symbol;
  const std::string line = path + ": symbol \"" + shown + "\" (index line 3): " + c.problem + "\n";
  EXPECT_TRUE(result.err.ends_with(line + "zavinspect: nothing extracted\n")) << result.err;
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(Exists(Path("out")));
  EXPECT_EQ(Names(Path()), (std::set<std::string>{"lib.zavlibsvg"}));
}

INSTANTIATE_TEST_SUITE_P(Names, ExtractNameTest,
                         ::testing::Values(NameCase{"Parent", "../up", "its name holds \"/\""},
                                           NameCase{"Slash", "a/b", "its name holds \"/\""},
                                           NameCase{"Control", "bell\x07", "its name holds a control character"},
                                           NameCase{"TooLong", std::string(250, 'n'),
                                                    "its name is too long for a file name (250 bytes)"},
                                           NameCase{"Twice", "fine", "a second symbol of this name (first at index line 1)"}),
                         [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST_F(ExtractTest, DotsAloneAreNamesLikeAnyOther) {
  const std::string path = Library({"..", "."});
  ASSERT_EQ(Inspect({"extract", path, Path("out")}).status, 0);
  EXPECT_EQ(Names(Path("out")), (std::set<std::string>{"...svg", "...svg.inf", "..svg", "..svg.inf", "copyright.txt"}));
}

TEST_F(ExtractTest, NeverOverwritesAndLeavesTheFolderAsItWas) {
  const std::string path = Library({"a", "b"});
  Put("out/b.svg.inf", "mine");
  Put("out/notes.txt", "kept");
  const zavtest::InspectResult result = Inspect({"extract", path, Path("out")});
  EXPECT_EQ(result.err, path + ": " + Path("out") + "/b.svg.inf: exists already\nzavinspect: nothing extracted\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Names(Path("out")), (std::set<std::string>{"b.svg.inf", "notes.txt"}));
  EXPECT_EQ(Read(Path("out/b.svg.inf")), "mine");
}

TEST_F(ExtractTest, DamageFoundHalfwayLeavesNothingBehind) {
  std::uint32_t b = 0;
  const std::string path = LibraryDamagedAtItsSecondSymbol(b);
  Put("existing/notes.txt", "kept");
  for (const std::string folder : {"existing", "new"}) {
    const zavtest::InspectResult result = Inspect({"extract", path, Path(folder)});
    EXPECT_NE(result.err.find("symbol \"b\" (block at " + std::to_string(b) + "): the CRC-32 is "), std::string::npos)
        << result.err;
    EXPECT_EQ(result.status, 1);
  }
  EXPECT_EQ(Names(Path("existing")), (std::set<std::string>{"notes.txt"}));
  EXPECT_EQ(Names(Path()), (std::set<std::string>{"existing", "lib.zavlibsvg"}));
}

// A write that fails halfway (here: past the process's file size limit, as on a full
// disk) is told, and the folder is as it was.
TEST_F(ExtractTest, AFailedWriteLeavesNothingBehind) {
  LibraryMaker maker;
  const std::uint32_t a = maker.AddSymbol("<svg/>");
  const std::uint32_t b = maker.AddSymbol("<svg>" + std::string(100000, ' ') + "</svg>");
  const std::string path =
      Put("lib.zavlibsvg", maker.Finish(kMark + "lib:a=" + std::to_string(a) + "||\r\nlib:b=" + std::to_string(b) + "||\r\n"));
  Put("existing/notes.txt", "kept");
  for (const std::string folder : {"existing", "new"}) {
    zavtest::InspectResult result;
    {
      const zavtest::ScopedFileSizeLimit limit(50000);
      ASSERT_TRUE(limit.IsSet());
      result = Inspect({"extract", path, Path(folder)});
    }
    EXPECT_EQ(result.err, "zavinspect: Cannot create file \"" + Path(folder) + "/b.svg\". File too large\n");
    EXPECT_EQ(result.status, 1);
  }
  EXPECT_EQ(Names(Path("existing")), (std::set<std::string>{"notes.txt"}));
  EXPECT_EQ(Names(Path()), (std::set<std::string>{"existing", "lib.zavlibsvg"}));
}

TEST_F(ExtractTest, ALibraryWithProblemsIsNotExtracted) {
  const std::string path = Put("lib.zavlibsvg", "not a library at all, only text");
  const zavtest::InspectResult result = Inspect({"extract", path, Path("out")});
  EXPECT_EQ(result.err, path + ": header: not a symbol library file: it does not start with 00 0B 02 02 \"zavsymlibsvg\"\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(Exists(Path("out")));
}

}  // namespace
