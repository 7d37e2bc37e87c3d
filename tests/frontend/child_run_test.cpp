// The child process that contains the database reader: what it returns arrives whole,
// and every way it can end badly is told apart and never passes for a result.
#include "frontend/child_run.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

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

}  // namespace
