// Runs tasks on worker threads and hands their results back on the calling thread in
// the order the tasks were pushed. The scan pushes one task per symbol (read and
// compress) and does everything the user can see (side files, the library, failures)
// when it retires the result, so a run's output is the same for any number of threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace zav {

// State: what a worker keeps from task to task (a deflate state, buffers); made on the
// worker's first task, so that a failure to make it reaches the caller through that
// task, in its place.
template <class Result, class State>
class OrderedPipeline {
 public:
  using Task = std::function<Result(State&)>;
  using Retire = std::function<void(Result&&)>;

  // No workers: every task runs on the calling thread when pushed and is retired at
  // once, which is the sequential writer. At most `window` tasks are pushed and not
  // yet retired: that, not the size of the tree, bounds the memory of a run.
  // A system that gives fewer threads than asked for gets the work done by those it
  // gives, or by the calling thread alone.
  OrderedPipeline(unsigned workers, std::size_t window, Retire retire) : retire_(std::move(retire)) {
    workers_.reserve(workers);
    try {
      for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // go on with the threads made so far
    }
    window_ = workers_.empty() || window < 1 ? 1 : window;
    batchSize_ = window_ / 4 < 1 ? 1 : window_ / 4;
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

  // Retires the oldest result first while the window is full; a failure of that task
  // or of its retirement propagates from here.
  void Push(Task task) {
    while (inFlight_.size() >= window_) RetireOldest();
    Job job([task = std::move(task)](std::optional<State>& state) {
      if (!state) state.emplace();
      return task(*state);
    });
    inFlight_.push_back(job.get_future());
    if (workers_.empty()) {
      job(callerState_);
      RetireOldest();
      return;
    }
    batch_.push_back(std::move(job));
    if (batch_.size() >= batchSize_) HandOverBatch();
  }

  // Retires every result still in flight, in order.
  void Drain() {
    while (!inFlight_.empty()) RetireOldest();
  }

 private:
  using Job = std::packaged_task<Result(std::optional<State>&)>;

  // After a failure the rest is dropped, so that a Drain() on the way out stores
  // nothing that comes later.
  void RetireOldest() {
    HandOverBatch();
    std::future<Result> oldest = std::move(inFlight_.front());
    inFlight_.pop_front();
    try {
      retire_(oldest.get());
    } catch (...) {
      inFlight_.clear();
      batch_.clear();
      std::lock_guard lock(mutex_);
      queue_.clear();
      throw;
    }
  }

  // Tasks go to the workers a few at a time: a wake-up is a system call, and small
  // tasks take hardly longer than that.
  void HandOverBatch() {
    if (batch_.empty()) return;
    bool anyIdle;
    {
      std::lock_guard lock(mutex_);
      for (Job& job : batch_) queue_.push_back(std::move(job));
      anyIdle = idle_ > 0;
    }
    batch_.clear();
    if (anyIdle) wake_.notify_all();  // busy workers find the tasks when they look again
  }

  void Work() {
    std::optional<State> state;
    for (;;) {
      Job job;
      {
        std::unique_lock lock(mutex_);
        ++idle_;
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        --idle_;
        if (stopping_) return;
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      job(state);  // a throw lands in the future
    }
  }

  std::size_t window_ = 1;
  std::size_t batchSize_ = 1;
  Retire retire_;
  std::vector<Job> batch_;  // pushed, not yet handed to the workers
  std::deque<std::future<Result>> inFlight_;  // the calling thread's alone
  std::optional<State> callerState_;          // for running without workers

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool stopping_ = false;
  unsigned idle_ = 0;  // workers waiting for a task
  std::vector<std::thread> workers_;  // last: joined before the rest goes
};

}  // namespace zav
