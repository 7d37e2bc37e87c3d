#include "frontend/child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "platform/file_io.h"
#include "platform/handles.h"

namespace orlindo {
namespace {

// A definition table of thousands of symbols is a few hundred kilobytes; anything near
// this is a reader running wild on a damaged file.
constexpr std::size_t kMaxOutputBytes = std::size_t{256} << 20;
constexpr int kWorkThrewStatus = 70;  // EX_SOFTWARE

// Owns the child until it has been reaped; killing it first when it is still running.
class ChildProcess {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
  }
  void Kill() { ::kill(pid_, SIGKILL); }
  // Waits for the end of the child and returns its wait status.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_;
};

[[noreturn]] void RunChildSide(const std::function<std::string()>& work, int out) {
  // The parent may ignore SIGPIPE; the child should die quietly when nobody listens.
  ::signal(SIGPIPE, SIG_DFL);
  std::string bytes;
  try {
    bytes = work();
  } catch (...) {
    _exit(kWorkThrewStatus);
  }
  // A failed write ends the child as a failed one, never as one that sent everything.
  _exit(zav::TryWriteAll(out, bytes) == 0 ? 0 : kWorkThrewStatus);
}

}  // namespace

ChildResult RunInChild(const std::function<std::string()>& work, std::chrono::milliseconds limit) {
  ChildResult result;
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    result.detail = errno;
    return result;
  }
  zav::UniqueFd readEnd(ends[0]);
  zav::UniqueFd writeEnd(ends[1]);

  const pid_t pid = ::fork();
  if (pid < 0) {
    result.detail = errno;
    return result;
  }
  if (pid == 0) {
    readEnd.release();  // not closed: the child leaves through _exit and needs nothing else
    RunChildSide(work, writeEnd.get());
  }
  ChildProcess child(pid);
  writeEnd = zav::UniqueFd();

  const auto deadline = std::chrono::steady_clock::now() + limit;
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      child.Kill();
      child.Wait();
      result.status = ChildResult::Status::TimedOut;
      result.output.clear();
      return result;
    }
    pollfd waitFor{readEnd.get(), POLLIN, 0};
    const int ready = ::poll(&waitFor, 1, static_cast<int>(std::min<std::int64_t>(left.count(), 60000)));
    if (ready < 0 && errno != EINTR) {  // cannot happen with one valid descriptor
      child.Kill();
      break;
    }
    if (ready <= 0) continue;
    const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      child.Kill();
      break;
    }
    if (got == 0) break;  // the child closed its end: it has ended or is ending
    if (result.output.size() + static_cast<std::size_t>(got) > kMaxOutputBytes) {
      child.Kill();
      child.Wait();
      result.status = ChildResult::Status::TooMuchOutput;
      result.output.clear();
      return result;
    }
    result.output.append(buffer, static_cast<std::size_t>(got));
  }

  const int status = child.Wait();
  if (WIFSIGNALED(status)) {
    result.status = ChildResult::Status::Signalled;
    result.detail = WTERMSIG(status);
  } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
    result.status = ChildResult::Status::ExitedWithError;
    result.detail = WEXITSTATUS(status);
  } else {
    result.status = ChildResult::Status::Completed;
  }
  if (result.status != ChildResult::Status::Completed) result.output.clear();
  return result;
}

}  // namespace orlindo
