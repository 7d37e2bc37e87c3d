// ZAV_THREADS: a number from 1 to 64, or one thread per core when unset or empty;
// anything else stops the run before a file is touched.
#include "platform/worker_threads.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "platform/failure.h"

namespace {

class ThreadsVariable : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* value = getenv("ZAV_THREADS")) saved_ = value;
  }
  void TearDown() override {
    if (saved_) {
      setenv("ZAV_THREADS", saved_->c_str(), 1);
    } else {
      unsetenv("ZAV_THREADS");
    }
  }
  std::optional<std::string> saved_;
};

TEST_F(ThreadsVariable, TakesANumberOrOnePerCore) {
  unsetenv("ZAV_THREADS");
  const unsigned perCore = zav::ThreadsFromEnvironment();
  EXPECT_GE(perCore, 1u);
  EXPECT_LE(perCore, 64u);
  setenv("ZAV_THREADS", "", 1);
  EXPECT_EQ(zav::ThreadsFromEnvironment(), perCore);
  setenv("ZAV_THREADS", "1", 1);
  EXPECT_EQ(zav::ThreadsFromEnvironment(), 1u);
  setenv("ZAV_THREADS", "64", 1);
  EXPECT_EQ(zav::ThreadsFromEnvironment(), 64u);
  // The main thread is one of the threads.
  EXPECT_EQ(zav::WorkersFor(1), 0u);
  EXPECT_EQ(zav::WorkersFor(3), 2u);
}

TEST_F(ThreadsVariable, RefusesAnythingElse) {
  for (const char* value : {"0", "65", "-2", "two", "2x", "99999999999999999999"}) {
    setenv("ZAV_THREADS", value, 1);
    try {
      zav::ThreadsFromEnvironment();
      ADD_FAILURE() << value << " was taken";
    } catch (const zav::Failure& failure) {
      EXPECT_EQ(failure.kind, zav::ErrorKind::General);
      EXPECT_EQ(failure.message, std::string("ZAV_THREADS=") + value + " is not a number of threads from 1 to 64");
    }
  }
}

}  // namespace
