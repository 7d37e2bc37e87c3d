// Runs tasks on worker threads and hands their results back on the calling thread in
// the order the tasks were pushed. The scan pushes one task per symbol (read and
// compress) and does everything the user can see (side files, the library, failures)
// in the retire step, so the output is the same for any number of threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "gzip_member.h"

namespace zav {

template <class Result>
class OrderedPipeline {
 public:
  using Task = std::function<Result(GzipMemberEncoder&)>;
  using Retire = std::function<void(Result&&)>;

  // At most `window` tasks are pushed and not yet retired: that, not the size of the
  // tree, bounds the memory of a run (a source file and its member per task).
  OrderedPipeline(unsigned threads, std::size_t window, Retire retire)
      : window_(window < 1 ? 1 : window), retire_(std::move(retire)) {
    const unsigned count = threads < 1 ? 1 : threads;
    workers_.reserve(count);
    for (unsigned i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
  }
  OrderedPipeline(const OrderedPipeline&) = delete;
  OrderedPipeline& operator=(const OrderedPipeline&) = delete;

  // Work not retired yet is dropped: after a failure nothing later may show.
  ~OrderedPipeline() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      queue_.clear();
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  // Retires the oldest result first when the window is full; a failure of the retire
  // step or of that task propagates from here.
  void Push(Task task) {
    while (inFlight_.size() >= window_) RetireOldest();
    // The encoder is made on the task's first run on a thread, so that a failure to set
    // it up reaches the caller through that task, in its place.
    Job job([task = std::move(task)](std::optional<GzipMemberEncoder>& encoder) {
      if (!encoder) encoder.emplace();
      return task(*encoder);
    });
    inFlight_.push_back(job.get_future());
    {
      std::lock_guard lock(mutex_);
      queue_.push_back(std::move(job));
    }
    wake_.notify_one();
  }

  // Retires every result still in flight, in order.
  void Drain() {
    while (!inFlight_.empty()) RetireOldest();
  }

 private:
  using Job = std::packaged_task<Result(std::optional<GzipMemberEncoder>&)>;

  void RetireOldest() {
    std::future<Result> oldest = std::move(inFlight_.front());
    inFlight_.pop_front();
    retire_(oldest.get());
  }

  void Work() {
    std::optional<GzipMemberEncoder> encoder;  // one deflate state per thread, reused
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      job(encoder);  // a throw lands in the future
    }
  }

  const std::size_t window_;
  Retire retire_;
  std::deque<std::future<Result>> inFlight_;  // the calling thread's alone

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;  // last: joined before the rest goes
};

}  // namespace zav
