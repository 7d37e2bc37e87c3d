// Runs with worker threads must be indistinguishable from the sequential run: the same
// library and side files byte for byte, and after a failure the same report line and
// the same files left in the output folder (none of a symbol after the failing one).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/run.h"
#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status = -1;
  std::string console;
  std::map<std::string, std::string> files;  // output folder: name -> bytes
};

// Drawing text of about `bytes` bytes, different for every seed.
std::string Drawing(std::size_t bytes, unsigned seed) {
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 24 24\">\n";
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    text += "<path d=\"M" + std::to_string(seed % 97) + "," + std::to_string((seed >> 8) % 89) +
            "L" + std::to_string((seed >> 16) % 83) + " 7Z\"/>\n";
  }
  return text;
}

std::string DescriptorText(int n) {
  return "[INFO]\r\nCATEGORY=Group " + std::to_string(n % 5) + "\r\nCAPTION=Symbol " +
         std::to_string(n) + "\r\nUniqueID=" + (n % 3 == 0 ? "" : "ID-" + std::to_string(n)) + "\r\n";
}

class ParallelRunTest : public zavtest::TempDirTest {
 public:
  // For the cases that break the tree.
  using zavtest::TempDirTest::MakeFolder;
  using zavtest::TempDirTest::Path;
  using zavtest::TempDirTest::Put;
  // Put into every output folder first; a name ending in "/" is a folder.
  std::map<std::string, std::string> leftInOutput;

 protected:
  // Symbols spread over nested folders, the sizes chosen so that members finish out of
  // order: empty, tiny, past the 64 KiB buffers, and a few hundred KiB.
  void PutSymbols(const std::string& folder, int first, int count) {
    static const std::size_t kSizes[] = {0, 40, 700, 5000, 70000, 300000, 1200};
    for (int n = first; n < first + count; ++n) {
      const std::string stem = folder + "/sym" + std::to_string(n);
      Put("src/" + stem + ".svg", kSizes[n % 7] == 0 ? "" : Drawing(kSizes[n % 7], n));
      Put("src/" + stem + ".svg.inf", DescriptorText(n));
    }
  }

  void PutTree() {
    Put("src/copyright.txt", "Test maps\r\n");
    PutSymbols("a", 0, 12);
    PutSymbols("a/deep/er", 12, 9);
    PutSymbols("b", 21, 10);
    PutSymbols(".", 31, 6);
  }

  // Each run gets an output folder of its own.
  Outcome Run(unsigned threads) {
    const std::string out = MakeFolder("out" + std::to_string(++runs_));
    for (const auto& [name, bytes] : leftInOutput) {
      const std::string relative = fs::path(out).filename().string() + "/" + name;
      if (name.ends_with("/")) {
        MakeFolder(relative);
      } else {
        Put(relative, bytes);
      }
    }
    std::ostringstream console;
    zav::RunOptions options;
    options.threads = threads;
    Outcome outcome;
    outcome.status = zav::ZavbuildMain({"maps", Path("src"), out}, console, options);
    outcome.console = console.str();
    for (const auto& entry : fs::directory_iterator(out)) {
      const std::string name = entry.path().filename().string();
      if (entry.is_directory()) {
        outcome.files[name + "/"] = "";
      } else {
        outcome.files[name] = Read(entry.path().string());
      }
    }
    // The output folder's name differs between the runs; nothing else may.
    const std::string::size_type at = outcome.console.find(out);
    if (at != std::string::npos) outcome.console.replace(at, out.size(), "<out>");
    return outcome;
  }

  // The sequential run against several worker counts.
  void ExpectSameAsSequential() {
    const Outcome sequential = Run(1);
    for (const unsigned threads : {2u, 3u, 8u}) {
      const Outcome parallel = Run(threads);
      EXPECT_EQ(parallel.status, sequential.status) << threads << " threads";
      EXPECT_EQ(parallel.console, sequential.console) << threads << " threads";
      ASSERT_EQ(parallel.files.size(), sequential.files.size()) << threads << " threads";
      for (const auto& [name, bytes] : sequential.files) {
        const auto found = parallel.files.find(name);
        ASSERT_NE(found, parallel.files.end()) << name << " missing with " << threads << " threads";
        EXPECT_TRUE(zavtest::SameBytes(bytes, found->second)) << name << ", " << threads << " threads";
      }
    }
  }

 private:
  int runs_ = 0;
};

TEST_F(ParallelRunTest, CompleteRunGivesTheSequentialBytes) {
  PutTree();
  const Outcome sequential = Run(1);
  ASSERT_EQ(sequential.status, 0) << sequential.console;
  EXPECT_EQ(sequential.files.size(), 37u + 3u);  // side files, LIBSVG.txt(z), library
  ExpectSameAsSequential();
}

// Each case breaks the tree at one symbol in the middle of the scan, or at a point the
// scan reaches while earlier symbols are still in flight.
struct BreakCase {
  const char* name;
  std::function<void(ParallelRunTest&)> breakTree;
  const char* reportStart;  // the report line, less what lies between these two
  const char* reportEnd;
};

void PrintTo(const BreakCase& c, std::ostream* os) { *os << c.name; }

class ParallelFailureTest : public ParallelRunTest,
                            public ::testing::WithParamInterface<BreakCase> {};

TEST_P(ParallelFailureTest, FailsAsTheSequentialRunDoes) {
  PutTree();
  GetParam().breakTree(*this);
  const Outcome sequential = Run(1);
  ASSERT_EQ(sequential.status, 1) << sequential.console;
  const std::string report = sequential.console.substr(sequential.console.rfind('\n', sequential.console.size() - 2) + 1);
  EXPECT_TRUE(report.starts_with(GetParam().reportStart)) << report;
  EXPECT_TRUE(report.ends_with(std::string(GetParam().reportEnd) + "\n")) << report;
  ExpectSameAsSequential();
}

const std::string kLongName(240, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ParallelFailureTest,
    ::testing::Values(
        BreakCase{"DescriptorWithoutItsDrawing",
                  [](ParallelRunTest& t) { fs::remove(t.Path("src/a/deep/er/sym15.svg")); },
                  "Exception: Not matching file for ", "/a/deep/er/sym15.svg.inf"},
        BreakCase{"FolderInPlaceOfTheDrawing",
                  [](ParallelRunTest& t) {
                    fs::remove(t.Path("src/a/sym4.svg"));
                    t.MakeFolder("src/a/sym4.svg");
                  },
                  "Exception: Not matching file for ", "/a/sym4.svg.inf"},
        BreakCase{"SameSymbolNameTwice",
                  [](ParallelRunTest& t) {
                    t.Put("src/b/sym14.svg", "<svg/>");
                    t.Put("src/b/sym14.svg.inf", DescriptorText(14));
                  },
                  "Exception: File already exitst: <out>/sym14.svgz", ""},
        BreakCase{"UndecodableDescriptor",
                  [](ParallelRunTest& t) { t.Put("src/b/sym25.svg.inf", "\xEF\xBB\xBF[INFO]\xC3\r\n"); },
                  "EEncodingError: No mapping for the Unicode character exists in the target "
                  "multi-byte code page",
                  ""},
        BreakCase{"UnexpectedExtension",
                  [](ParallelRunTest& t) {
                    t.Put("src/a/deep/er/sym13.SVG", "<svg/>");
                    t.Put("src/a/deep/er/sym13.SVG.inf", DescriptorText(13));
                  },
                  "Exception: Unexpected file format: ", "/a/deep/er/sym13.SVG"},
        BreakCase{"SideFileLeftByAnEarlierRun",
                  [](ParallelRunTest& t) { t.leftInOutput["sym27.svgz"] = "old"; },
                  "Exception: File already exitst: <out>/sym27.svgz", ""},
        BreakCase{"FolderInPlaceOfASideFile",
                  [](ParallelRunTest& t) { t.leftInOutput["sym22.svgz/"] = ""; },
                  "Exception: Cannot create file ", "/sym22.svgz\". Is a directory sym22.svg"},
        // The scan stops at a folder of "b" while symbols of "a" are still in flight.
        BreakCase{"FolderPathTooLongAfterSymbols",
                  [](ParallelRunTest& t) { t.MakeFolder("src/b/" + kLongName); },
                  "EPathTooLongException: The specified path is too long", ""},
        // ... and an earlier symbol fails too: it is the one reported.
        BreakCase{"EarlierSymbolFailsBeforeTheScan",
                  [](ParallelRunTest& t) {
                    t.MakeFolder("src/b/" + kLongName);
                    fs::remove(t.Path("src/a/sym11.svg"));
                  },
                  "Exception: Not matching file for ", "/a/sym11.svg.inf"}),
    [](const ::testing::TestParamInfo<BreakCase>& info) { return std::string(info.param.name); });

}  // namespace
