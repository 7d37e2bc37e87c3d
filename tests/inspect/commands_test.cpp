// The command line, list and diff, on libraries made byte by byte.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <algorithm>
#include <string>

#include "tests/inspect/inspect_fixture.h"
#include "tests/support/library_bytes.h"

namespace {

using zavtest::LibraryMaker;

const std::string kMark = "\xEF\xBB\xBF";

class CommandsTest : public zavtest::InspectTest {
 protected:
  // Symbols a (alias A-1) and b; b's caption and a's content as given.
  std::string Library(const std::string& file, const std::string& aContent = "<svg/>", const std::string& bCaption = "Bee",
                      const std::string& copyright = "Hello World\r\n", bool withB = true, bool withC = false) {
    LibraryMaker maker(copyright);
    const std::uint32_t a = maker.AddSymbol(aContent);
    std::string index = kMark + "lib:a=" + std::to_string(a) + "|Ay|Cat\r\nA-1=@lib:a\r\n";
    if (withB) index += "lib:b=" + std::to_string(maker.AddSymbol("<svg><g/></svg>")) + "|" + bCaption + "|\r\n";
    if (withC) index += "lib:c=" + std::to_string(maker.AddSymbol("<svg/>")) + "|地図|\r\n";
    return Put(file, maker.Finish(index));
  }
};

TEST_F(CommandsTest, ListsTheSymbolsInFileOrder) {
  const std::string path = Library("lib.zavlibsvg", "<svg/>", "Bee\tb\x1B[31m");
  const zavtest::InspectResult result = Inspect({"list", path});
  const std::size_t aStored = zavtest::GzipMember("<svg/>").size();
  const std::size_t bStored = zavtest::GzipMember("<svg><g/></svg>").size();
  EXPECT_EQ(result.out, "Library: lib\nCopyright: Hello World\nSymbols: 2\n\n"
                        "name\toffset\tstored\tcontent\tcaption\tcategory\taliases\n"
                        "a\t42\t" + std::to_string(aStored) + "\t6\tAy\tCat\tA-1\n"
                        "b\t" + std::to_string(42 + 4 + aStored) + "\t" + std::to_string(bStored) +
                            "\t15\tBee\\tb\\x1b[31m\t\t\n");  // a caption never drives the terminal
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
}

TEST_F(CommandsTest, ListsAsJson) {
  const std::string path = Library("lib.zavlibsvg", "<svg/>", "Bee", kMark + "(c) 地図\r\nline two\r\n");
  const zavtest::InspectResult result = Inspect({"list", "--json", path});
  ASSERT_EQ(result.status, 0);
  const nlohmann::json doc = nlohmann::json::parse(result.out);
  EXPECT_EQ(doc["library"], "lib");
  EXPECT_EQ(doc["copyright"], "(c) 地図\r\nline two\r\n");
  EXPECT_EQ(doc["copyrightEncoding"], "UTF-8");
  EXPECT_EQ(doc["symbolCount"], 2);
  EXPECT_EQ(doc["symbols"][0]["name"], "a");
  EXPECT_EQ(doc["symbols"][0]["offset"], 54);  // 29 + the 25 bytes of the copyright
  EXPECT_EQ(doc["symbols"][0]["contentSize"], 6);
  EXPECT_EQ(doc["symbols"][0]["aliases"], nlohmann::json::array({"A-1"}));
  EXPECT_EQ(doc["symbols"][1]["caption"], "Bee");
  EXPECT_EQ(doc["symbols"][1]["category"], "");
  EXPECT_EQ(doc["problems"], nlohmann::json::array());
}

TEST_F(CommandsTest, ListsADamagedLibraryAsFarAsItCanAndFails) {
  const std::string path = Library("lib.zavlibsvg");
  std::string bytes = Read(path);
  bytes[16] = 1;
  Put("lib.zavlibsvg", bytes);
  const zavtest::InspectResult result = Inspect({"list", path});
  EXPECT_NE(result.out.find("Symbols: 2\n"), std::string::npos);
  EXPECT_EQ(result.err, path + ": header: bytes 16 to 19 are 01 00 00 00, not 00 00 00 00\n");
  EXPECT_EQ(result.status, 1);
}

TEST_F(CommandsTest, DiffTellsAddedRemovedAndChangedSymbols) {
  const std::string older = Library("old.zavlibsvg");
  const std::string same = Library("same.zavlibsvg");
  const std::string newer = Library("new.zavlibsvg", "<svg><circle/></svg>", "Bee", "(c) 2026\r\n", false, true);
  const zavtest::InspectResult none = Inspect({"diff", older, same});
  EXPECT_EQ(none.out, "same symbols (2 symbols)\n");
  EXPECT_EQ(none.status, 0);

  const zavtest::InspectResult changed = Inspect({"diff", older, newer});
  EXPECT_EQ(changed.out, "copyright changed\n"
                         "changed: a: content (6 -> 20 bytes)\n"
                         "removed: b\n"
                         "added: c\n"
                         "1 added, 1 removed, 1 changed\n");
  EXPECT_EQ(changed.status, 1);

  const std::string renamed = Library("caption.zavlibsvg", "<svg/>", "Bienen|stock");
  EXPECT_EQ(Inspect({"diff", older, renamed}).out,
            "changed: b: caption \"Bee\" -> \"Bienen|stock\"\n0 added, 0 removed, 1 changed\n");
}

struct UsageCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string err;
};

class UsageTest : public zavtest::InspectTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageTest, AWrongCommandLineExitsWithTwo) {
  const zavtest::InspectResult result = Inspect(GetParam().arguments);
  EXPECT_EQ(result.err, "zavinspect: " + GetParam().err + "\nTry 'zavinspect --help'.\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.status, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageTest,
    ::testing::Values(UsageCase{"NoCommand", {}, "no command given"},
                      UsageCase{"UnknownCommand", {"show", "x"}, "unknown command show"},
                      UsageCase{"MissingOperand", {"extract", "lib"}, "extract takes two operands, not 1"},
                      UsageCase{"ExtraOperand", {"verify", "a", "b"}, "verify takes one file, not 2"},
                      UsageCase{"JsonElsewhere", {"verify", "--json", "a"}, "--json goes with list only"},
                      UsageCase{"UnknownOption", {"list", "-x", "a"}, "unknown option -x"},
                      UsageCase{"BadSize", {"verify", "--max-symbol-size", "12Q", "a"},
                                "--max-symbol-size takes a number of bytes greater than 0 (K, M, G allowed), not \"12Q\""}),
    [](const ::testing::TestParamInfo<UsageCase>& info) { return std::string(info.param.name); });

TEST_F(CommandsTest, HelpAndVersion) {
  const zavtest::InspectResult help = Inspect({"--help"});
  EXPECT_EQ(help.out.rfind("usage: zavinspect [OPTIONS] COMMAND ARGUMENTS\n", 0), 0u);
  EXPECT_EQ(help.status, 0);
  const zavtest::InspectResult version = Inspect({"list", "--version"});
  // "zavinspect <major>.<minor>.<patch>" from the project's one version number.
  const std::string number = version.out.substr(std::string("zavinspect ").size());
  EXPECT_EQ(version.out.rfind("zavinspect ", 0), 0u);
  EXPECT_TRUE(number.ends_with("\n") && std::count(number.begin(), number.end(), '.') == 2 &&
              number.find_first_not_of("0123456789.\n") == std::string::npos)
      << version.out;
  EXPECT_EQ(version.status, 0);
}

// The program itself: a FIFO is refused at once (nothing writes to it), with status 1.
TEST_F(CommandsTest, TheProgramRefusesAFifoWithoutWaiting) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  const std::string command = std::string(ZAVINSPECT_PATH) + " verify '" + Path("fifo") + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  const int status = pclose(pipe);
  EXPECT_EQ(output, "zavinspect: Cannot open file \"" + Path("fifo") + "\". Is a FIFO, not a regular file\n");
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
