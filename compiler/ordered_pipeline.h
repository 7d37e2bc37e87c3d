// Runs tasks on worker threads and hands their results back on the calling thread in
// the order the tasks were pushed. The scan pushes one task per symbol (read and
// compress) and does everything the user can see (side files, the library, failures)
// when it retires the result, so a run's output is the same for any number of threads.
// While the oldest result is not ready, the calling thread runs queued tasks itself
// rather than sleep: one thread per core keeps every core busy.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace zav {

// State: what a thread keeps from task to task (a deflate state, buffers); made on the
// thread's first task, so that a failure to make it reaches the caller through that
// task, in its place.
template <class Result, class State>
class OrderedPipeline {
 public:
  using Task = std::function<Result(State&)>;
  using Retire = std::function<void(Result&&)>;

  // No workers: every task runs on the calling thread when pushed and is retired at
  // once, which is the sequential writer. At most `window` tasks are pushed and not
  // yet retired: that, not the size of the tree, bounds the memory of a run. A system
  // that gives fewer threads than asked for gets the work done by those it gives.
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
    workAvailable_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

  // Retires the oldest result first while the window is full; a failure of that task
  // or of its retirement propagates from here.
  void Push(Task task) {
    while (inFlight_.size() >= window_) RetireOldest();
    auto slot = std::make_shared<Slot>();
    inFlight_.push_back(slot);
    batch_.push_back(Job{std::move(task), std::move(slot)});
    if (workers_.empty()) {
      Run(batch_.back(), callerState_);
      batch_.back().slot->done = true;
      batch_.clear();
      RetireOldest();
      return;
    }
    if (batch_.size() >= batchSize_) HandOverBatch();
  }

  // Retires every result still in flight, in order.
  void Drain() {
    while (!inFlight_.empty()) RetireOldest();
  }

 private:
  // Where a task's outcome waits for its turn; guarded by mutex_ once handed over.
  struct Slot {
    std::optional<Result> result;
    std::exception_ptr failure;
    bool done = false;
  };
  struct Job {
    Task task;
    std::shared_ptr<Slot> slot;
  };

  // Runs a task outside the lock and keeps its outcome for its slot.
  static void Run(Job& job, std::optional<State>& state) {
    try {
      if (!state) state.emplace();
      job.slot->result.emplace(job.task(*state));
    } catch (...) {
      job.slot->failure = std::current_exception();
    }
  }

  // After a failure the rest is dropped, so that a Drain() on the way out stores
  // nothing that comes later.
  void RetireOldest() {
    HandOverBatch();
    std::shared_ptr<Slot> oldest = std::move(inFlight_.front());
    inFlight_.pop_front();
    WaitHelping(*oldest);
    try {
      if (oldest->failure) std::rethrow_exception(oldest->failure);
      retire_(std::move(*oldest->result));
    } catch (...) {
      inFlight_.clear();
      batch_.clear();
      std::lock_guard lock(mutex_);
      queue_.clear();
      throw;
    }
  }

  // Until `slot` is done, runs the queued tasks that no worker has taken yet.
  void WaitHelping(Slot& slot) {
    std::unique_lock lock(mutex_);
    while (!slot.done) {
      if (!queue_.empty()) {
        Job job = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        Run(job, callerState_);
        lock.lock();
        job.slot->done = true;
        continue;
      }
      callerWaiting_ = true;
      taskDone_.wait(lock);
      callerWaiting_ = false;
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
    if (anyIdle) workAvailable_.notify_all();  // busy workers find the tasks when they look again
  }

  void Work() {
    std::optional<State> state;
    std::unique_lock lock(mutex_);
    for (;;) {
      ++idle_;
      workAvailable_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      --idle_;
      if (stopping_) return;
      Job job = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      Run(job, state);
      lock.lock();
      job.slot->done = true;
      if (callerWaiting_) taskDone_.notify_one();
    }
  }

  std::size_t window_ = 1;
  std::size_t batchSize_ = 1;
  Retire retire_;
  // The calling thread's alone:
  std::deque<std::shared_ptr<Slot>> inFlight_;
  std::vector<Job> batch_;  // pushed, not yet handed to the workers
  std::optional<State> callerState_;

  std::mutex mutex_;
  std::condition_variable workAvailable_;
  std::condition_variable taskDone_;
  std::deque<Job> queue_;
  bool stopping_ = false;
  bool callerWaiting_ = false;
  unsigned idle_ = 0;  // workers waiting for a task
  std::vector<std::thread> workers_;  // last: joined before the rest goes
};

}  // namespace zav
