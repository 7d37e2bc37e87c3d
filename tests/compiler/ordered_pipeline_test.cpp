// Results come back in push order whatever the threads do, failures in their place,
// and nothing after a failure is retired.
#include "compiler/ordered_pipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/failure.h"

namespace {

struct Scratch {
  int tasksRun = 0;  // per worker: shows that the state lives on between tasks
};
using Pipeline = zav::OrderedPipeline<int, Scratch>;

std::vector<int> Sequence(int count) {
  std::vector<int> values(count);
  for (int i = 0; i < count; ++i) values[i] = i;
  return values;
}

TEST(OrderedPipeline, RetiresInPushOrderForAnyWorkersAndWindow) {
  for (const unsigned workers : {0u, 1u, 2u, 7u}) {
    for (const std::size_t window : {std::size_t{1}, std::size_t{3}, std::size_t{64}}) {
      std::vector<int> retired;
      {
        Pipeline pipeline(workers, window, [&](int&& value) { retired.push_back(value); });
        for (int i = 0; i < 200; ++i) {
          pipeline.Push([i](Scratch&) {
            // Later tasks tend to finish first, so the order must come from the pipeline.
            std::this_thread::sleep_for(std::chrono::microseconds((200 - i) % 7 * 50));
            return i;
          });
        }
        pipeline.Drain();
      }
      EXPECT_EQ(retired, Sequence(200)) << workers << " workers, window " << window;
    }
  }
}

TEST(OrderedPipeline, WorkersKeepTheirStateAndNeverRunAheadOfTheWindow) {
  std::atomic<int> started{0};
  std::vector<int> aheadWhenRetired;
  int tasksSeenByStates = 0;
  {
    Pipeline pipeline(4, 3, [&](int&& value) { aheadWhenRetired.push_back(started.load() - value); });
    for (int i = 0; i < 50; ++i) {
      pipeline.Push([&started, i](Scratch& scratch) {
        ++started;
        ++scratch.tasksRun;
        return i;
      });
    }
    pipeline.Drain();
  }
  {
    // One worker, so that the task that looks is sure to run where the others ran: with
    // several, it may land on one that has run none (seen once in 30 runs).
    Pipeline pipeline(1, 3, [](int&&) {});
    for (int i = 0; i < 50; ++i) {
      pipeline.Push([i](Scratch& scratch) {
        ++scratch.tasksRun;
        return i;
      });
    }
    pipeline.Push([&tasksSeenByStates](Scratch& scratch) {
      tasksSeenByStates = scratch.tasksRun;
      return 50;
    });
    pipeline.Drain();
  }
  // When task i is retired, only the tasks pushed with it in the window can have started.
  for (const int ahead : aheadWhenRetired) EXPECT_LE(ahead, 3);
  EXPECT_GE(tasksSeenByStates, 1);
}

TEST(OrderedPipeline, TheFirstFailingTaskIsReportedAndNothingAfterIt) {
  for (const unsigned workers : {0u, 3u}) {
    std::vector<int> retired;
    try {
      Pipeline pipeline(workers, 8, [&](int&& value) { retired.push_back(value); });
      for (int i = 0; i < 40; ++i) {
        pipeline.Push([i](Scratch&) -> int {
          if (i == 5 || i == 9) throw zav::Failure(zav::ErrorKind::Read, "task " + std::to_string(i));
          return i;
        });
      }
      pipeline.Drain();
      ADD_FAILURE() << "no failure reached the caller";
    } catch (const zav::Failure& failure) {
      EXPECT_EQ(failure.kind, zav::ErrorKind::Read);
      EXPECT_EQ(failure.message, "task 5");
    }
    EXPECT_EQ(retired, Sequence(5)) << workers << " workers";
  }
}

// The scan drains the pipeline on its way out after a failure of its own; a retire
// that failed before must leave nothing for that drain to store.
TEST(OrderedPipeline, DrainAfterAFailedRetireStoresNothingMore) {
  std::vector<int> retired;
  Pipeline pipeline(2, 4, [&](int&& value) {
    if (value == 3) throw std::runtime_error("retire");
    retired.push_back(value);
  });
  EXPECT_THROW(
      {
        for (int i = 0; i < 100; ++i) pipeline.Push([i](Scratch&) { return i; });
      },
      std::runtime_error);
  pipeline.Drain();
  EXPECT_EQ(retired, Sequence(3));
}

}  // namespace
