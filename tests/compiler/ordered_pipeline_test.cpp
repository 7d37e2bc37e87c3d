// Results come back in push order whatever the threads do, failures in their place,
// and unretired work is dropped when the pipeline goes.
#include "ordered_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "failure.h"

namespace {

using Pipeline = zav::OrderedPipeline<int>;

TEST(OrderedPipeline, RetiresInPushOrderForAnyThreadsAndWindow) {
  for (const unsigned threads : {1u, 2u, 7u}) {
    for (const std::size_t window : {std::size_t{1}, std::size_t{3}, std::size_t{64}}) {
      std::vector<int> retired;
      {
        Pipeline pipeline(threads, window, [&](int&& value) { retired.push_back(value); });
        for (int i = 0; i < 200; ++i) {
          pipeline.Push([i](zav::GzipMemberEncoder&) {
            // Later tasks finish first, so order must come from the pipeline.
            std::this_thread::sleep_for(std::chrono::microseconds((200 - i) % 7 * 50));
            return i;
          });
        }
        pipeline.Drain();
      }
      std::vector<int> expected(200);
      for (int i = 0; i < 200; ++i) expected[i] = i;
      EXPECT_EQ(retired, expected) << threads << " threads, window " << window;
    }
  }
}

TEST(OrderedPipeline, NeverHoldsMoreThanTheWindow) {
  std::atomic<int> started{0};
  std::vector<int> startedWhenRetired;
  Pipeline pipeline(4, 3, [&](int&& value) { startedWhenRetired.push_back(started.load() - value); });
  for (int i = 0; i < 50; ++i) {
    pipeline.Push([&started, i](zav::GzipMemberEncoder&) {
      ++started;
      return i;
    });
  }
  pipeline.Drain();
  // When task i is retired, at most the two tasks pushed after it can have started.
  for (const int ahead : startedWhenRetired) EXPECT_LE(ahead, 3);
}

TEST(OrderedPipeline, AFailingTaskStopsTheRunAtItsPlace) {
  std::vector<int> retired;
  try {
    Pipeline pipeline(3, 8, [&](int&& value) { retired.push_back(value); });
    for (int i = 0; i < 40; ++i) {
      pipeline.Push([i](zav::GzipMemberEncoder&) -> int {
        if (i == 5 || i == 9) throw zav::Failure(zav::ErrorKind::Read, "task " + std::to_string(i));
        return i;
      });
    }
    pipeline.Drain();
    FAIL() << "no failure reached the caller";
  } catch (const zav::Failure& failure) {
    EXPECT_EQ(failure.kind, zav::ErrorKind::Read);
    EXPECT_EQ(failure.message, "task 5");
  }
  EXPECT_EQ(retired, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(OrderedPipeline, AFailingRetireDropsLaterWork) {
  std::vector<int> retired;
  EXPECT_THROW(
      {
        Pipeline pipeline(2, 4, [&](int&& value) {
          if (value == 3) throw std::runtime_error("retire");
          retired.push_back(value);
        });
        for (int i = 0; i < 100; ++i) pipeline.Push([i](zav::GzipMemberEncoder&) { return i; });
        pipeline.Drain();
      },
      std::runtime_error);
  EXPECT_EQ(retired, (std::vector<int>{0, 1, 2}));
}

}  // namespace
