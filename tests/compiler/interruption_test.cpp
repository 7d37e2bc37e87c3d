// A signal ends zavbuild of that signal, after the files marked unfinished are removed;
// a cleared mark keeps its file, and a signal taken by another thread still stops the
// main thread. Each case runs in a child process, which the signal ends.
#include "compiler/interruption.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

enum class Sender { MainThread, OtherThread };

struct SignalCase {
  const char* name;
  int signal;
  Sender sender;
};

void PrintTo(const SignalCase& c, std::ostream* os) { *os << c.name; }

class InterruptionTest : public zavtest::TempDirTest, public ::testing::WithParamInterface<SignalCase> {};

void* RaiseOnThisThread(void* signal) {
  pthread_kill(pthread_self(), *static_cast<int*>(signal));
  return nullptr;
}

TEST_P(InterruptionTest, RemovesTheMarkedFilesAndEndsOfTheSignal) {
  const SignalCase& c = GetParam();
  const std::string unfinished = Put("unfinished", "half");
  const std::string finished = Put("finished", "whole");
  const pid_t child = fork();
  if (child == 0) {
    zav::RemoveUnfinishedFilesOnSignal();
    const zav::UnfinishedMark mark(unfinished);
    zav::UnfinishedMark done(finished);
    done.Clear();
    int signal = c.signal;
    if (c.sender == Sender::MainThread) {
      raise(signal);
    } else {
      pthread_t thread;
      pthread_create(&thread, nullptr, RaiseOnThisThread, &signal);
      pthread_join(thread, nullptr);  // the signal comes to this thread meanwhile
      pause();
    }
    _exit(0);  // not reached while the handler works
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), c.signal);
  EXPECT_FALSE(Exists(unfinished));
  EXPECT_EQ(Read(finished), "whole");
}

INSTANTIATE_TEST_SUITE_P(Signals, InterruptionTest,
                         ::testing::Values(SignalCase{"Term", SIGTERM, Sender::MainThread},
                                           SignalCase{"Int", SIGINT, Sender::MainThread},
                                           SignalCase{"Hup", SIGHUP, Sender::MainThread},
                                           SignalCase{"TermOnAnotherThread", SIGTERM, Sender::OtherThread}),
                         [](const auto& info) { return std::string(info.param.name); });

using InterruptionIgnoredTest = zavtest::TempDirTest;

// nohup's SIGHUP stays ignored: the run goes on.
TEST_F(InterruptionIgnoredTest, ASignalIgnoredAtTheStartStaysIgnored) {
  const std::string unfinished = Put("unfinished", "half");
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGHUP, SIG_IGN);
    zav::RemoveUnfinishedFilesOnSignal();
    const zav::UnfinishedMark mark(unfinished);
    raise(SIGHUP);
    _exit(7);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
  EXPECT_TRUE(Exists(unfinished));
}

}  // namespace
