// A disk that fills up during a run: the report names the symbol that the run on one
// thread names, whatever the number of threads, every time. The disk is a small tmpfs
// mounted over the output folder in a mount namespace of zavbuild's own, so it goes
// with the process; where namespaces or mounts are not allowed, the test is skipped.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/compiler/zavbuild_runner.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kNoSmallDisk = 125;

class FullDiskTest : public zavtest::TempDirTest {
 protected:
  zavtest::ZavbuildResult RunOnSmallDisk(unsigned threads, std::size_t diskBytes) {
    std::filesystem::remove_all(Path("out"));
    MakeFolder("out");
    const std::string out = Path("out");
    const std::string size = "size=" + std::to_string(diskBytes);
    const auto smallDisk = [&out, &size] {
      if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
          mount("tmpfs", out.c_str(), "tmpfs", 0, size.c_str()) != 0) {
        _exit(kNoSmallDisk);
      }
    };
    return zavtest::RunZavbuild({{"lib", "src", "out"}, Path(), std::nullopt, std::nullopt, threads, 120, smallDisk});
  }
};

TEST_F(FullDiskTest, TheReportNamesTheSymbolOfTheOneThreadRun) {
  Put("src/copyright.txt", "(c)");
  // Drawings that do not compress, so that each member takes its own room on the disk.
  std::uint32_t state = 12345;
  for (int i = 0; i < 150; ++i) {
    std::string noise(6000, '\0');
    for (char& c : noise) {
      state = state * 1664525u + 1013904223u;
      c = static_cast<char>(state >> 24);
    }
    const std::string name = "src/s" + std::to_string(1000 + i) + ".svg";
    Put(name, noise);
    Put(name + ".inf", "[INFO]\n");
  }
  constexpr std::size_t kDiskBytes = 600 << 10;
  const zavtest::ZavbuildResult sequential = RunOnSmallDisk(1, kDiskBytes);
  if (sequential.status == kNoSmallDisk) GTEST_SKIP() << "no mount namespace with a tmpfs here";
  ASSERT_EQ(sequential.status, 1) << sequential.output;
  ASSERT_NE(sequential.output.find("Stream write error s1"), std::string::npos) << sequential.output;
  for (const unsigned threads : {2u, 3u, 8u}) {
    for (int run = 0; run < 4; ++run) {
      const zavtest::ZavbuildResult parallel = RunOnSmallDisk(threads, kDiskBytes);
      EXPECT_EQ(parallel.output, sequential.output) << threads << " threads, run " << run;
      EXPECT_EQ(parallel.status, 1);
    }
  }
}

}  // namespace
