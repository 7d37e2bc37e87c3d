// Every file call of a small run failed in turn (platform/fault_seam.h), as a full or
// failing disk fails it: each run either completes with the library a run without
// faults makes, or reports one line and leaves the earlier library, the earlier side
// file and the symbol folder as they were, and no temporary file. Side files of this
// run that stay behind are whole. A crash, a hang or a sanitizer report fails too.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "tests/compiler/zavbuild_runner.h"
#include "tests/frontend/folder_state.h"
#include "tests/support/fault_sweep.h"
#include "tests/support/library_bytes.h"
#include "tests/support/library_read_back.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kSvg = "<svg xmlns=\"http://www.w3.org/2000/svg\"><circle r=\"4\"/></svg>\n";

struct Outcome {
  zavtest::ZavbuildResult run;
  std::string err;
};

class FaultSweepTest : public zavtest::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Put("src/copyright.txt", "(c) Karten\r\n");
    Put("src/a.svg", kSvg);
    Put("src/a.svg.inf", "[INFO]\r\nCATEGORY=park\r\nCAPTION=bench\r\nUniqueID=A1\r\n");
    Put("src/b.svgz", zavtest::GzipFile(std::string(kSvg) + "<!-- b -->\n"));
    Put("src/b.svgz.inf", "[INFO]\r\nCATEGORY=park\r\nCAPTION=tree\r\n");
    Put("src/sub/c.svg", kSvg);
    Put("src/sub/c.svg.inf", "[INFO]\r\nCATEGORY=road\r\nCAPTION=sign\r\n");
    // The earlier run's library and side file, of a symbol this run does not have.
    Put("old/old.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n");
    Put("old/old.svg.inf", "[INFO]\r\nCAPTION=old\r\n");
    Put("old/copyright.txt", "(c) 2025\r\n");
    MakeFolder("earlier");
    const Outcome earlier = Zavbuild("old", "earlier", "");
    ASSERT_EQ(earlier.run.status, 0) << earlier.run.output;
    fs::remove(Path("earlier/LIBSVG.txt"));
    fs::remove(Path("earlier/LIBSVG.txtz"));
    earlier_ = zavtest::StateOf(Path("earlier"));
    source_ = zavtest::StateOf(Path("src"));

    fs::copy(Path("earlier"), Path("reference"));
    const Outcome reference = Zavbuild("src", "reference", "");
    ASSERT_EQ(reference.run.status, 0) << reference.run.output;
    reference_ = zavtest::StateOf(Path("reference"));
    zavtest::LibraryReadBack readBack;
    ASSERT_TRUE(zavtest::ReadBack(Path("reference/lib.zavlibsvg"), readBack));
  }

  // zavbuild lib SOURCE OUTPUT, stderr kept apart. On one thread the Nth call is the
  // same one in every run; on more, the workers' calls come in any order among the
  // main thread's, and the sweep still holds for whichever call the Nth is.
  Outcome Zavbuild(const std::string& source, const std::string& out, const std::string& fault,
                   unsigned threads = 1) {
    const std::string errPath = Path("stderr.txt");
    zavtest::ZavbuildRun run{{"lib", source, out}, Path(), std::nullopt, std::nullopt, threads,
                             60, [&errPath, &fault] {
                               const int fd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
                               if (fd < 0 || ::dup2(fd, STDERR_FILENO) < 0) _exit(126);
                               if (fault.empty()) {
                                 ::unsetenv("ZAV_FAULT");
                               } else {
                                 ::setenv("ZAV_FAULT", fault.c_str(), 1);
                               }
                             }};
    Outcome outcome{zavtest::RunZavbuild(run), {}};
    outcome.err = Read(errPath);
    return outcome;
  }

  // The checks of one run with a fault; "" when it held.
  std::string Check(const std::string& fault, unsigned threads) {
    fs::remove_all(Path("out"));
    fs::copy(Path("earlier"), Path("out"));
    const Outcome outcome = Zavbuild("src", "out", fault, threads);
    const std::string& output = outcome.run.output;
    ++(outcome.run.status == 0 ? completed_ : reported_);
    if (!outcome.err.empty()) return "standard error: " + outcome.err;
    const zavtest::FolderState out = zavtest::StateOf(Path("out"));
    if (zavtest::StateOf(Path("src")) != source_) return "the symbol folder changed";
    if (outcome.run.status == 0) {
      if (out != reference_) return "exit 0, but the output folder is not the one a run without faults makes";
      if (!output.ends_with("  done\n\n")) return "exit 0 without \"  done\": " + output;
      return "";
    }
    if (outcome.run.status != 1) return "exit status " + std::to_string(outcome.run.status) + ": " + output;
    const std::size_t compiling = output.find("  compiling...\n");
    if (compiling == std::string::npos) return "no \"  compiling...\": " + output;
    const std::string report = output.substr(compiling + 15);
    if (report.empty() || report.find('\n') != report.size() - 1 || report.find(": ") == std::string::npos) {
      return "not one report line: " + output;
    }
    for (const auto& [name, state] : out) {
      const auto earlier = earlier_.find(name);
      if (earlier != earlier_.end()) {
        if (earlier->second != state) return name + " of the earlier run changed; " + report;
      } else if (name.starts_with(".")) {
        return "a temporary file stayed: " + name + "; " + report;
      } else if (reference_.find(name) == reference_.end() || reference_.at(name) != state) {
        return "a side file that is not whole stayed: " + name + "; " + report;
      }
    }
    for (const auto& [name, state] : earlier_) {
      if (!out.contains(name)) return name + " of the earlier run is gone; " + report;
    }
    return "";
  }

  void Sweep(unsigned threads, unsigned stride) {
    fs::copy(Path("earlier"), Path("counted"));
    const Outcome counted = Zavbuild("src", "counted", "count", threads);
    ASSERT_EQ(counted.run.status, 0) << counted.run.output;
    const std::map<std::string, unsigned long> counts = zavtest::FaultCounts(counted.err, "zavbuild");
    // Each kind of call the run makes is met: a seam that lost one would sweep less.
    for (const char* kind : {"open", "write", "fsync", "rename", "close"}) {
      EXPECT_GT(counts.contains(kind) ? counts.at(kind) : 0, 0u) << kind << " in " << counted.err;
    }
    const std::vector<std::string> plans = zavtest::FaultPlans(counts, "", stride);
    unsigned failed = 0;
    for (const std::string& plan : plans) {
      const std::string problem = Check(plan, threads);
      if (!problem.empty()) ADD_FAILURE() << "ZAV_FAULT=" << plan << ": " << problem;
      if (!problem.empty() && ++failed == 10) break;
    }
    std::cout << counts.at("any") << " file calls; " << plans.size() << " runs with a fault: " << completed_
              << " completed, " << reported_ << " reported\n";
    // A seam that failed nothing would pass every check above.
    EXPECT_GT(reported_, plans.size() / 2);
  }

  zavtest::FolderState earlier_, source_, reference_;
  unsigned completed_ = 0, reported_ = 0;
};

TEST_F(FaultSweepTest, EveryFailedFileCallIsReportedOnceAndLosesNothing) { Sweep(1, zavtest::SweepStride(1)); }

TEST_F(FaultSweepTest, WithTwoThreadsToo) { Sweep(2, zavtest::SweepStride(2)); }

}  // namespace
