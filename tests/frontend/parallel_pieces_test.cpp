#include "frontend/parallel_pieces.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/frontend/scoped_env.h"

namespace {

using orlindo::ForEachPiece;

TEST(ParallelPiecesTest, EveryPieceRunsOnce) {
  for (const unsigned threads : {1u, 2u, 5u}) {
    for (const std::size_t count : {0u, 1u, 7u, 300u}) {
      std::vector<std::atomic<int>> runs(count);
      ForEachPiece(count, [&](std::size_t piece) { ++runs[piece]; }, threads);
      for (std::size_t piece = 0; piece < count; ++piece) {
        EXPECT_EQ(runs[piece].load(), 1) << piece << " of " << count << " on " << threads << " threads";
      }
    }
  }
}

// The failure told is the one a single thread meets first, even where a later piece
// fails sooner; after a failure no piece starts.
TEST(ParallelPiecesTest, TheLowestPieceThatFailedIsTold) {
  for (const unsigned threads : {1u, 2u, 4u}) {
    std::atomic<std::size_t> started{0};
    try {
      ForEachPiece(
          1000,
          [&](std::size_t piece) {
            ++started;
            if (piece == 1) {
              std::this_thread::sleep_for(std::chrono::milliseconds(50));
              throw std::runtime_error("piece 1");
            }
            if (piece == 2) throw std::runtime_error("piece 2");
            // Long enough that a throw (slow under the sanitizers) is seen before all
            // the other pieces have been taken.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          },
          threads);
      ADD_FAILURE() << "nothing thrown on " << threads << " threads";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()), "piece 1") << threads << " threads";
    }
    EXPECT_LT(started.load(), 1000u) << threads << " threads";
  }
}

TEST(ParallelPiecesTest, ThreadsComeFromTheVariableAndAWrongOneGivesOne) {
  {
    const orlindo_test::ScopedEnv threads("ZAV_THREADS", "3");
    EXPECT_EQ(orlindo::PieceThreads(), 3u);
  }
  for (const char* wrong : {"many", "0", "65"}) {
    const orlindo_test::ScopedEnv threads("ZAV_THREADS", wrong);
    EXPECT_EQ(orlindo::PieceThreads(), 1u) << wrong;
  }
}

}  // namespace
