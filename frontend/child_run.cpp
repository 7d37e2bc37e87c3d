#include "frontend/child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
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
// Enough for the first messages; a reader printing on and on is drained, not kept.
constexpr std::size_t kMaxDiagnosticBytes = 4096;
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

[[noreturn]] void RunChildSide(const std::function<std::string()>& work, int out, int diagnostics,
                               pid_t parent) {
  // A reader looping on a damaged file must not outlive a front end that was killed.
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) _exit(kWorkThrewStatus);
  // The parent may ignore SIGPIPE; the child should die quietly when nobody listens.
  ::signal(SIGPIPE, SIG_DFL);
  if (::dup2(diagnostics, STDERR_FILENO) < 0) _exit(kWorkThrewStatus);
  std::string bytes;
  try {
    bytes = work();
  } catch (...) {
    _exit(kWorkThrewStatus);
  }
  // A failed write ends the child as a failed one, never as one that sent everything.
  _exit(zav::TryWriteAll(out, bytes) == 0 ? 0 : kWorkThrewStatus);
}

bool MakePipe(zav::UniqueFd& readEnd, zav::UniqueFd& writeEnd) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  readEnd = zav::UniqueFd(ends[0]);
  writeEnd = zav::UniqueFd(ends[1]);
  return true;
}

}  // namespace

ChildResult RunInChild(const std::function<std::string()>& work, std::chrono::milliseconds limit,
                       int stopFd) {
  ChildResult result;
  zav::UniqueFd readEnd, writeEnd, diagnosticsRead, diagnosticsWrite;
  if (!MakePipe(readEnd, writeEnd) || !MakePipe(diagnosticsRead, diagnosticsWrite)) {
    result.detail = errno;
    return result;
  }

  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    result.detail = errno;
    return result;
  }
  if (pid == 0) {
    readEnd.release();  // not closed: the child leaves through _exit and needs nothing else
    diagnosticsRead.release();
    RunChildSide(work, writeEnd.get(), diagnosticsWrite.get(), parent);
  }
  ChildProcess child(pid);
  writeEnd = zav::UniqueFd();
  diagnosticsWrite = zav::UniqueFd();

  const auto deadline = std::chrono::steady_clock::now() + limit;
  const auto endBadly = [&](ChildResult::Status status) {
    child.Kill();
    child.Wait();
    result.status = status;
    result.output.clear();
    return result;
  };
  char buffer[65536];
  bool outputOpen = true;
  bool diagnosticsOpen = true;
  // Both pipes are read to their end, so that a child writing a lot on either never
  // blocks with the other one waiting.
  while (outputOpen || diagnosticsOpen) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return endBadly(ChildResult::Status::TimedOut);
    pollfd waitFor[3] = {{outputOpen ? readEnd.get() : -1, POLLIN, 0},
                         {diagnosticsOpen ? diagnosticsRead.get() : -1, POLLIN, 0},
                         {stopFd, POLLIN, 0}};
    const int ready = ::poll(waitFor, 3, static_cast<int>(std::min<std::int64_t>(left.count(), 60000)));
    if (ready < 0 && errno != EINTR) {  // cannot happen with valid descriptors
      child.Kill();
      break;
    }
    if (ready <= 0) continue;
    if (waitFor[2].revents != 0) return endBadly(ChildResult::Status::Stopped);
    if (waitFor[1].revents != 0) {
      const ssize_t got = ::read(diagnosticsRead.get(), buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        diagnosticsOpen = false;
      } else {
        const std::size_t room = kMaxDiagnosticBytes - std::min(kMaxDiagnosticBytes, result.diagnostics.size());
        result.diagnostics.append(buffer, std::min(room, static_cast<std::size_t>(got)));
      }
    }
    if (waitFor[0].revents != 0) {
      const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
      if (got < 0) {
        if (errno == EINTR) continue;
        child.Kill();
        break;
      }
      if (got == 0) {
        outputOpen = false;  // the child closed its end: it has ended or is ending
        continue;
      }
      if (result.output.size() + static_cast<std::size_t>(got) > kMaxOutputBytes) {
        return endBadly(ChildResult::Status::TooMuchOutput);
      }
      result.output.append(buffer, static_cast<std::size_t>(got));
    }
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
