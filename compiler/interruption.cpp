#include "compiler/interruption.h"

#include <pthread.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

namespace zav {
namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGINT, SIGHUP};

// Read by the handler: only lock-free atomics, and the texts they point to.
std::array<std::atomic<const char*>, UnfinishedMark::kMaxMarks> gMarks{};
std::array<std::atomic<bool>, UnfinishedMark::kMaxMarks> gTaken{};
pthread_t gMainThread;

sigset_t HandledSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kSignals) sigaddset(&set, signal);
  return set;
}

extern "C" void OnSignal(int signal) {
  const int savedErrno = errno;
  if (pthread_equal(pthread_self(), gMainThread) == 0) {
    // The main thread makes and names the files: it is the one to stop, not a thread
    // that would leave it making a file after the removal.
    pthread_kill(gMainThread, signal);
    errno = savedErrno;
    return;
  }
  for (const std::atomic<const char*>& mark : gMarks) {
    if (const char* path = mark.load()) unlink(path);
  }
  // Ends the process of this signal: held while the handler runs, it is taken with the
  // default action once the handler returns.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigaction(signal, &byDefault, nullptr);
  raise(signal);
  errno = savedErrno;
}

}  // namespace

void RemoveUnfinishedFilesOnSignal() {
  static_assert(std::atomic<const char*>::is_always_lock_free);
  gMainThread = pthread_self();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  action.sa_mask = HandledSignals();
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) {
    struct sigaction before {};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}

UnfinishedMark::UnfinishedMark(const std::string& path) {
  for (int slot = 0; slot < kMaxMarks; ++slot) {
    if (gTaken[slot].exchange(true)) continue;
    path_ = std::make_unique<char[]>(path.size() + 1);
    std::memcpy(path_.get(), path.c_str(), path.size() + 1);
    slot_ = slot;
    gMarks[slot].store(path_.get());
    return;
  }
}

UnfinishedMark::UnfinishedMark(UnfinishedMark&& other) noexcept
    : slot_(std::exchange(other.slot_, -1)), path_(std::move(other.path_)) {}

UnfinishedMark& UnfinishedMark::operator=(UnfinishedMark&& other) noexcept {
  if (this != &other) {
    Clear();
    slot_ = std::exchange(other.slot_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

void UnfinishedMark::Clear() noexcept {
  if (slot_ < 0) return;
  gMarks[slot_].store(nullptr);  // before the text goes
  gTaken[slot_].store(false);
  slot_ = -1;
  path_.reset();
}

SignalsHeld::SignalsHeld() {
  const sigset_t held = HandledSignals();
  pthread_sigmask(SIG_BLOCK, &held, &before_);
}

SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

}  // namespace zav
