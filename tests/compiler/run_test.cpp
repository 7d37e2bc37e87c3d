// The run in-process, where the tests need a knob the program does not offer: the
// library's size limit, and a scan started on a folder that is gone.
#include "compiler/run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/compiler/memory_sink.h"
#include "platform/failure.h"
#include "compiler/folder_scan.h"
#include "tests/support/temp_dir.h"

namespace {

class ZavbuildMainTest : public zavtest::TempDirTest {
 protected:
  int Run(const std::string& out, std::uint64_t limit, std::string& console) {
    std::ostringstream lines;
    const int status = zav::ZavbuildMain({"lib", Path("src"), Path(out)}, lines, {limit});
    console = lines.str();
    return status;
  }
};

TEST_F(ZavbuildMainTest, StopsBeforeTheLibraryReachesTheFormatLimit) {
  Put("src/copyright.txt", "");
  Put("src/a.svg", "abc");
  Put("src/a.svg.inf", "");
  Put("src/b.svg", "abc");
  Put("src/b.svg.inf", "");
  MakeFolder("full");
  std::string console;
  ASSERT_EQ(Run("full", zav::kFormatLimitBytes, console), 0);
  const std::uint64_t size = std::filesystem::file_size(Path("full/lib.zavlibsvg"));

  // One byte more than the finished file: complete. Exactly its size: the trailer
  // would reach the limit. Less: the second symbol's block would.
  struct Case {
    std::uint64_t limit;
    int status;
    std::string lastLine;
  };
  const std::uint64_t secondBlockEnd = 32 + 27 + 27;
  for (const Case& c : {Case{size + 1, 0, ""},
                        Case{size, 1, "Exception: The library exceeds the format's 2 GiB limit"},
                        Case{secondBlockEnd, 1, "Exception: The library exceeds the format's 2 GiB limit b.svg"}}) {
    std::filesystem::remove_all(Path("out"));
    MakeFolder("out");
    EXPECT_EQ(Run("out", c.limit, console), c.status) << c.limit;
    EXPECT_EQ(console.substr(console.rfind('\n', console.size() - 2) + 1), c.lastLine + "\n") << c.limit;
    EXPECT_EQ(Exists(Path("out/lib.zavlibsvg")), c.status == 0);
  }
}

TEST_F(ZavbuildMainTest, AScanOfAMissingFolderSaysSo) {
  zavtest::MemorySink sink;
  zav::LibraryWriter writer(sink);
  const zav::RunNames names{"lib", Path("gone"), Path()};
  try {
    zav::WriteIndexBlock(names, writer);
    ADD_FAILURE();
  } catch (const zav::Failure& f) {
    EXPECT_EQ(zav::KindWord(f.kind), "EDirectoryNotFoundException");
    EXPECT_EQ(f.message, "The specified path was not found");
  }
}

}  // namespace
