// The long steps of a build (reading the database, recording the journal, writing the
// descriptor files, the clean-up) run on a thread of their own while the window's thread
// keeps its event loop going: the window repaints, its status bar shows how far the step
// is, closing it is answered and the stop signals are heard. Every call into the window
// and every dialog stays on the window's thread.
#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>

#include "frontend/view.h"

namespace orlindo {

// Runs work on a thread of its own and returns once it has ended, rethrowing what it
// threw (a Failure, BuildInterrupted). Meanwhile this thread's event loop runs. Without
// an application object, or off its thread, work runs right here.
void RunInBackground(const std::function<void()>& work);

// Takes the counts of a step from the thread that works to a view that shows progress:
// "<step> <done>/<total>" with a progress bar. Shows "<step> 0/<total>" when made; then
// at most one count per interval, so that thousands of files cost a few dozen updates,
// and always the last. A view that shows no progress gets nothing.
class ProgressRelay {
 public:
  ProgressRelay(View& view, QString step, std::size_t total);
  ProgressRelay(const ProgressRelay&) = delete;
  ProgressRelay& operator=(const ProgressRelay&) = delete;

  // For the working threads (any number, any of them); empty when the view shows no
  // progress.
  std::function<void(std::size_t done, std::size_t total)> Callback();

 private:
  void Report(std::size_t done, std::size_t total);

  View& view_;
  const QString step_;
  // Lives on the view's thread: counts still queued when the relay goes are dropped.
  QObject receiver_;
  std::mutex mutex_;
  std::chrono::steady_clock::time_point lastShown_;  // guarded by mutex_
  std::size_t shownDone_ = 0;                         // guarded by mutex_
};

}  // namespace orlindo
