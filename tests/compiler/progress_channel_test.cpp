// The progress channel a caller asks for with ZAV_PROGRESS_FD: lines "DONE/TOTAL" from
// "0/TOTAL" to "TOTAL/TOTAL", a hundred or so however many symbols, while the console
// lines and every file written stay exactly those of a run without it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/compiler/zavbuild_runner.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kChannelFd = 7;

struct Outcome {
  int status = -1;
  std::string console;
  std::map<std::string, std::string> files;  // output folder: name -> bytes
  std::vector<std::string> progress;         // the channel's lines
};

class ProgressChannelTest : public zavtest::TempDirTest {
 protected:
  // symbols in the top folder and in a subfolder, each with its descriptor.
  void PutTree(int symbols) {
    Put("src/copyright.txt", "Maps\r\n");
    for (int n = 0; n < symbols; ++n) {
      const std::string stem = std::string(n % 4 == 0 ? "src/sub/" : "src/") + "s" + std::to_string(n);
      Put(stem + ".svg", "<svg><!-- " + std::to_string(n) + " --></svg>");
      Put(stem + ".svg.inf", "[INFO]\r\nCAPTION=c" + std::to_string(n) + "\r\n");
    }
  }

  // channel: the value of ZAV_PROGRESS_FD, or none; with kChannelFd, a pipe is there to
  // read (closed by the reader before the run when readerGone).
  Outcome Run(std::optional<std::string> channel, bool readerGone = false) {
    const std::string out = MakeFolder("out" + std::to_string(++runs_));
    int ends[2] = {-1, -1};
    EXPECT_EQ(::pipe(ends), 0);
    if (readerGone) ::close(ends[0]);
    zavtest::ZavbuildRun run{{"lib", "src", out}, Path(), std::nullopt, std::nullopt};
    run.beforeStart = [&] {
      if (channel) {
        ::dup2(ends[1], kChannelFd);
        ::setenv("ZAV_PROGRESS_FD", channel->c_str(), 1);
      } else {
        ::unsetenv("ZAV_PROGRESS_FD");
      }
      ::close(ends[1]);
      if (!readerGone) ::close(ends[0]);
    };
    const zavtest::StartedZavbuild started = zavtest::StartZavbuild(run);
    ::close(ends[1]);
    Outcome outcome;
    std::string lines;
    if (!readerGone) {
      char buffer[4096];
      for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;) lines.append(buffer, got);
      ::close(ends[0]);
    }
    const zavtest::ZavbuildResult result = zavtest::FinishZavbuild(started);
    outcome.status = result.status;
    outcome.console = result.output;
    for (const auto& entry : std::filesystem::directory_iterator(out)) {
      outcome.files[entry.path().filename().string()] = Read(entry.path().string());
    }
    std::istringstream split(lines);
    for (std::string line; std::getline(split, line);) outcome.progress.push_back(line);
    return outcome;
  }

  int runs_ = 0;
};

// Counts as the lines give them: DONE and TOTAL.
std::vector<std::pair<long, long>> Counts(const std::vector<std::string>& lines) {
  std::vector<std::pair<long, long>> counts;
  for (const std::string& line : lines) {
    const std::size_t slash = line.find('/');
    EXPECT_NE(slash, std::string::npos) << line;
    counts.emplace_back(std::stol(line.substr(0, slash)), std::stol(line.substr(slash + 1)));
  }
  return counts;
}

TEST_F(ProgressChannelTest, CountsEverySymbolInAHundredStepsAndChangesNothingElse) {
  PutTree(450);
  const Outcome plain = Run(std::nullopt);
  const Outcome told = Run(std::to_string(kChannelFd));
  ASSERT_EQ(plain.status, 0) << plain.console;
  EXPECT_TRUE(plain.progress.empty());
  EXPECT_EQ(told.status, 0);
  EXPECT_EQ(told.console, plain.console);
  EXPECT_EQ(told.files, plain.files);

  const auto counts = Counts(told.progress);
  ASSERT_GE(counts.size(), 3u);
  EXPECT_EQ(told.progress.front(), "0/450");
  EXPECT_EQ(told.progress.back(), "450/450");
  EXPECT_LE(counts.size(), 102u) << "throttled: about one line per hundredth";
  for (std::size_t i = 1; i < counts.size(); ++i) {
    EXPECT_LT(counts[i - 1].first, counts[i].first) << told.progress[i];
    EXPECT_EQ(counts[i].second, 450) << told.progress[i];
  }
}

TEST_F(ProgressChannelTest, FewSymbolsAreCountedOneByOne) {
  PutTree(3);
  EXPECT_EQ(Run(std::to_string(kChannelFd)).progress, (std::vector<std::string>{"0/3", "1/3", "2/3", "3/3"}));
}

// A failed run stops counting where it failed; its report line is the one without it.
TEST_F(ProgressChannelTest, AFailedRunStopsCountingAndReportsAsAlways) {
  PutTree(8);
  Put("src/sub/ghost.svg.inf", "[INFO]\r\n");  // in the scan before the top folder's symbols
  const Outcome plain = Run(std::nullopt);
  const Outcome told = Run(std::to_string(kChannelFd));
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(told.status, 1);
  EXPECT_EQ(told.console, plain.console);
  EXPECT_EQ(told.files, plain.files);
  ASSERT_FALSE(told.progress.empty());
  EXPECT_EQ(told.progress.front(), "0/9");
  for (const auto& [done, total] : Counts(told.progress)) EXPECT_LT(done, total);
}

// The console's own streams, a descriptor that is not open, a value that is no number,
// and a reader that went away: the run goes on as without the channel.
TEST_F(ProgressChannelTest, AChannelThatCannotBeUsedIsPassedOver) {
  PutTree(5);
  const Outcome plain = Run(std::nullopt);
  for (const char* value : {"1", "2", "900", "seven", "7x", ""}) {
    const Outcome told = Run(std::string(value));
    EXPECT_EQ(told.status, 0) << value;
    EXPECT_EQ(told.console, plain.console) << value;
    EXPECT_EQ(told.files, plain.files) << value;
  }
  const Outcome orphan = Run(std::to_string(kChannelFd), /*readerGone=*/true);
  EXPECT_EQ(orphan.status, 0) << "no SIGPIPE";
  EXPECT_EQ(orphan.console, plain.console);
  EXPECT_EQ(orphan.files, plain.files);
}

}  // namespace
