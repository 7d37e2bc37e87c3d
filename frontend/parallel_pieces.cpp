#include "frontend/parallel_pieces.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/failure.h"
#include "platform/worker_threads.h"

namespace orlindo {

unsigned PieceThreads() {
  try {
    return zav::ThreadsFromEnvironment();
  } catch (const zav::Failure&) {
    return 1;
  }
}

void ForEachPiece(std::size_t count, const std::function<void(std::size_t piece)>& work, unsigned threads) {
  if (threads == 0) threads = PieceThreads();
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::size_t firstFailed = count;  // guarded by mutex
  std::exception_ptr failure;       // guarded by mutex

  // Pieces are handed out in order, so every piece below one that threw was taken and
  // runs to its end: the lowest one that threw is the one a single thread meets.
  const auto take = [&] {
    while (!failed.load(std::memory_order_acquire)) {
      const std::size_t piece = next.fetch_add(1);
      if (piece >= count) return;
      try {
        work(piece);
      } catch (...) {
        const std::lock_guard lock(mutex);
        if (piece < firstFailed) {
          firstFailed = piece;
          failure = std::current_exception();
        }
        failed.store(true, std::memory_order_release);
      }
    }
  };

  std::vector<std::jthread> helpers;
  const std::size_t helperCount = std::min<std::size_t>(zav::WorkersFor(threads), count > 0 ? count - 1 : 0);
  helpers.reserve(helperCount);
  for (std::size_t i = 0; i < helperCount; ++i) helpers.emplace_back(take);
  take();
  helpers.clear();  // joins
  if (failure) std::rethrow_exception(failure);
}

}  // namespace orlindo
