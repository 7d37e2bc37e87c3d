#include "frontend/background_work.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <exception>
#include <system_error>
#include <thread>

namespace orlindo {
namespace {

// A few updates a second: the count reads as moving, the window's thread stays idle.
constexpr std::chrono::milliseconds kProgressInterval{50};

}  // namespace

void RunInBackground(const std::function<void()>& work) {
  const QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || QThread::currentThread() != application->thread()) {
    work();
    return;
  }
  QEventLoop wait;
  std::exception_ptr failure;
  std::thread worker;
  try {
    worker = std::thread([&] {
      try {
        work();
      } catch (...) {
        failure = std::current_exception();
      }
      // Queued behind every count the work sent, so those are shown first.
      QMetaObject::invokeMethod(&wait, [&wait] { wait.quit(); }, Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    work();  // no thread to be had: the window waits, the work still gets done
    return;
  }
  // The loop also ends when the application is told to quit; the work is waited for
  // all the same, as a build always finishes.
  wait.exec();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

ProgressRelay::ProgressRelay(View& view, QString step, std::size_t total)
    : view_(view), step_(std::move(step)), lastShown_(std::chrono::steady_clock::now()) {
  if (view_.ShowsProgress()) view_.SetProgress(step_, 0, total);
}

std::function<void(std::size_t, std::size_t)> ProgressRelay::Callback() {
  if (!view_.ShowsProgress()) return {};
  return [this](std::size_t done, std::size_t total) { Report(done, total); };
}

void ProgressRelay::Report(std::size_t done, std::size_t total) {
  const auto now = std::chrono::steady_clock::now();
  // Counts from several threads may come out of order: one below what was shown would
  // move the bar back. Posted under the lock too, so that they arrive in this order.
  const std::lock_guard lock(mutex_);
  if (done < shownDone_ || (done != total && now - lastShown_ < kProgressInterval)) return;
  lastShown_ = now;
  shownDone_ = done;
  if (QThread::currentThread() == receiver_.thread()) {
    view_.SetProgress(step_, done, total);
    return;
  }
  QMetaObject::invokeMethod(
      &receiver_, [this, done, total] { view_.SetProgress(step_, done, total); }, Qt::QueuedConnection);
}

}  // namespace orlindo
