// The child process that contains the database reader: what it returns arrives whole,
// and every way it can end badly is told apart and never passes for a result.
#include "frontend/child_run.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace {

using orlindo::ChildResult;
using orlindo::RunInChild;
using namespace std::chrono_literals;

TEST(RunInChild, ReturnsEverythingTheChildSends) {
  // Larger than a pipe's buffer, so the parent must read while the child writes.
  std::string big(3 << 20, 'x');
  big[12345] = '\0';
  const ChildResult result = RunInChild([&big] { return big; }, 20s);
  EXPECT_EQ(result.status, ChildResult::Status::Completed);
  EXPECT_TRUE(result.output == big);

  const ChildResult empty = RunInChild([] { return std::string(); }, 20s);
  EXPECT_EQ(empty.status, ChildResult::Status::Completed);
  EXPECT_EQ(empty.output, "");
}

TEST(RunInChild, TellsEachBadEndApartAndDropsPartialOutput) {
  const ChildResult killed = RunInChild(
      [] {
        ::raise(SIGKILL);
        return std::string("ZAVTABLE1");
      },
      20s);
  EXPECT_EQ(killed.status, ChildResult::Status::Signalled);
  EXPECT_EQ(killed.detail, SIGKILL);
  EXPECT_EQ(killed.output, "");

  const ChildResult threw = RunInChild([]() -> std::string { throw std::runtime_error("x"); }, 20s);
  EXPECT_EQ(threw.status, ChildResult::Status::ExitedWithError);
  EXPECT_EQ(threw.detail, 70);

  const ChildResult exited = RunInChild([]() -> std::string { _exit(3); }, 20s);
  EXPECT_EQ(exited.status, ChildResult::Status::ExitedWithError);
  EXPECT_EQ(exited.detail, 3);
}

TEST(RunInChild, KillsAChildThatDoesNotFinishInTime) {
  const auto start = std::chrono::steady_clock::now();
  const ChildResult result = RunInChild(
      [] {
        for (;;) ::pause();
        return std::string();
      },
      300ms);
  EXPECT_EQ(result.status, ChildResult::Status::TimedOut);
  // Not a speed goal: a hang would mean the limit is not enforced at all.
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
}

// What a library prints on standard error is how libmdb tells of a page it could not
// read: it comes back whatever the end, only the first few kilobytes of a flood.
TEST(RunInChild, KeepsTheStartOfWhatTheChildPrintsOnStandardError) {
  const ChildResult warned = RunInChild(
      [] {
        std::fputs("error: reading page 7 failed.\n", stderr);
        std::fflush(stderr);
        return std::string("rows");
      },
      20s);
  EXPECT_EQ(warned.status, ChildResult::Status::Completed);
  EXPECT_EQ(warned.output, "rows");
  EXPECT_EQ(warned.diagnostics, "error: reading page 7 failed.\n");

  const ChildResult flood = RunInChild(
      [] {
        const std::string line(1000, 'w');
        for (int i = 0; i < 2000; ++i) std::fputs(line.c_str(), stderr);
        return std::string("done");
      },
      20s);
  EXPECT_EQ(flood.status, ChildResult::Status::Completed);
  EXPECT_EQ(flood.output, "done");
  EXPECT_EQ(flood.diagnostics, std::string(4096, 'w'));
}

// A stop asked for while the child reads (the front end got SIGTERM) ends the child at
// once, however long its time limit.
TEST(RunInChild, EndsTheChildWhenAStopIsAskedFor) {
  int stop[2];
  ASSERT_EQ(::pipe(stop), 0);
  ASSERT_EQ(::write(stop[1], "x", 1), 1);
  const ChildResult result = RunInChild(
      [] {
        for (;;) ::pause();
        return std::string();
      },
      std::chrono::hours(1), stop[0]);
  EXPECT_EQ(result.status, ChildResult::Status::Stopped);
  ::close(stop[0]);
  ::close(stop[1]);
}

}  // namespace
