#include "frontend/stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace orlindo {
namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Shared with the signal handler, which may run on any thread at any moment: plain
// lock-free atomics and a descriptor set once before the handlers are installed.
std::atomic<int> activeScopes{0};
std::atomic<int> stopSignal{0};
int pipeRead = -1;
int pipeWrite = -1;
StopNotifier* notifier = nullptr;

static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
  if (activeScopes.load() == 0) {
    // No build to put back: the default action, once the handler returns and the
    // signal is unblocked.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    return;
  }
  int expected = 0;
  stopSignal.compare_exchange_strong(expected, signal);
  const int savedErrno = errno;
  const char byte = 1;
  // A full pipe already tells the same; nothing else could be done about a failure here.
  [[maybe_unused]] const ssize_t written = ::write(pipeWrite, &byte, 1);
  errno = savedErrno;
}

}  // namespace

void InstallStopSignals() {
  if (pipeRead >= 0) return;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;  // signals keep their default action
  pipeRead = ends[0];
  pipeWrite = ends[1];
  for (const int signal : kStopSignals) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
  }
}

StopScope::StopScope() { ++activeScopes; }

StopScope::~StopScope() { --activeScopes; }

int StopRequestFd() { return pipeRead; }

int StopRequested() { return stopSignal.load(); }

void ThrowIfStopRequested() {
  if (const int signal = StopRequested(); signal != 0) throw BuildInterrupted{signal};
}

std::string SignalName(int signal) {
  const char* abbreviation = sigabbrev_np(signal);
  return abbreviation != nullptr ? "SIG" + std::string(abbreviation) : std::to_string(signal);
}

void EndBySignal(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signal, &action, nullptr);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  ::raise(signal);
  ::_exit(128 + signal);  // the signal is one whose default is to continue: end anyway
}

StopNotifier::StopNotifier(QObject* parent) : QObject(parent) {
  auto* watch = new QSocketNotifier(pipeRead, QSocketNotifier::Read, this);
  // The pipe stays readable once written (the program ends after a stop), so the watch
  // is switched off at its first word instead of firing again and again.
  connect(watch, &QSocketNotifier::activated, this, [this, watch] {
    watch->setEnabled(false);
    emit stopRequested();
  });
}

StopNotifier* StopNotifier::Instance() {
  if (notifier == nullptr && pipeRead >= 0 && QCoreApplication::instance() != nullptr) {
    notifier = new StopNotifier(QCoreApplication::instance());
    connect(notifier, &QObject::destroyed, [] { notifier = nullptr; });
  }
  return notifier;
}

}  // namespace orlindo
