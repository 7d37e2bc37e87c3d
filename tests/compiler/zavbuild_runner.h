// Runs the built zavbuild in a child process, as a script would: its own environment,
// working folder and file-size limit; stdout captured; exit status returned. Every run
// has a time limit, so that a zavbuild that hangs (on a FIFO, say) fails its test.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zavtest {

struct ZavbuildRun {
  std::vector<std::string> args;
  std::string workingFolder;
  std::optional<std::string> codePage;        // ZAV_CODEPAGE; unset when empty
  std::optional<rlim_t> fileSizeLimitBytes = std::nullopt;  // RLIMIT_FSIZE, to make writes fail for real
  std::optional<unsigned> threads = std::nullopt;           // ZAV_THREADS; unset when empty
  // Far above any run here: only a hang meets it (SIGALRM, status 128 + 14).
  unsigned timeLimitSeconds = 120;
  // Runs in the child just before zavbuild starts (e.g. to give it a small disk).
  std::function<void()> beforeStart = nullptr;
};

struct ZavbuildResult {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string output;
  long peakRssKiB = 0;  // the most memory it held at once
};

// A zavbuild that runs meanwhile; FinishZavbuild waits for it.
struct StartedZavbuild {
  pid_t pid = -1;
  int outputFd = -1;
};

inline StartedZavbuild StartZavbuild(const ZavbuildRun& run) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (!run.workingFolder.empty() && chdir(run.workingFolder.c_str()) != 0) _exit(126);
    if (run.codePage) {
      setenv("ZAV_CODEPAGE", run.codePage->c_str(), 1);
    } else {
      unsetenv("ZAV_CODEPAGE");
    }
    if (run.threads) {
      setenv("ZAV_THREADS", std::to_string(*run.threads).c_str(), 1);
    } else {
      unsetenv("ZAV_THREADS");
    }
    if (run.fileSizeLimitBytes) {
      signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      const rlimit limit{*run.fileSizeLimitBytes, *run.fileSizeLimitBytes};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (run.beforeStart) run.beforeStart();
    // The test process may hold signals blocked; zavbuild starts as from a shell.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    alarm(run.timeLimitSeconds);  // kept across exec
    std::vector<char*> argv{const_cast<char*>(ZAVBUILD_PATH)};
    for (const std::string& arg : run.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(ZAVBUILD_PATH, argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  return {child, pipeFds[0]};
}

inline ZavbuildResult FinishZavbuild(const StartedZavbuild& started) {
  ZavbuildResult result;
  char buffer[4096];
  for (ssize_t got; (got = read(started.outputFd, buffer, sizeof buffer)) != 0;) {
    if (got < 0) break;
    result.output.append(buffer, static_cast<std::size_t>(got));
  }
  close(started.outputFd);
  int status = 0;
  rusage usage{};
  wait4(started.pid, &status, 0, &usage);
  result.peakRssKiB = usage.ru_maxrss;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

inline ZavbuildResult RunZavbuild(const ZavbuildRun& run) { return FinishZavbuild(StartZavbuild(run)); }

}  // namespace zavtest
