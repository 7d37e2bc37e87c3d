#include "compiler/progress_channel.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

namespace zav {
namespace {

// Lines per run at most, besides the first and the last: few enough that 16,000 small
// symbols cost a hundred writes, many enough for a smooth progress bar.
constexpr std::uint64_t kStepsPerRun = 100;

}  // namespace

ProgressChannel ProgressChannel::FromEnvironment() {
  const char* text = std::getenv("ZAV_PROGRESS_FD");
  if (text == nullptr) return {};
  const std::string_view digits(text);
  int fd = -1;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), fd);
  if (error != std::errc() || end != digits.data() + digits.size() || fd <= STDERR_FILENO) return {};
  if (::fcntl(fd, F_GETFD) < 0) return {};
  return ProgressChannel(fd);
}

void ProgressChannel::Start(std::uint64_t total) {
  if (!Active()) return;
  total_ = total;
  nextWrite_ = 1;
  Write();
}

void ProgressChannel::SymbolStored() {
  if (!Active()) return;
  ++done_;
  if (done_ < nextWrite_) return;
  nextWrite_ = done_ + (total_ + kStepsPerRun - 1) / kStepsPerRun + (total_ == 0 ? 1 : 0);
  Write();
}

void ProgressChannel::Finish() {
  if (!Active()) return;
  const bool shownAlready = done_ == total_ && writtenDone_ == done_;
  total_ = done_;
  if (!shownAlready) Write();
}

// The reader going away must never end or fail the run: SIGPIPE is held back for the
// write (and taken off again if it came), and a failed write ends the channel only.
void ProgressChannel::Write() {
  const std::uint64_t total = done_ > total_ ? done_ : total_;
  const std::string line = std::to_string(done_) + "/" + std::to_string(total) + "\n";
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  ::pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  ssize_t written;
  do {
    written = ::write(fd_, line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0 && errno == EPIPE) {
    const timespec now{};
    ::sigtimedwait(&pipeSignal, nullptr, &now);
  }
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (written != static_cast<ssize_t>(line.size())) fd_ = -1;
  writtenDone_ = done_;
}

}  // namespace zav
