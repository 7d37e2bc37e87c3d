// Runs the built zavbuild in a child process, as a script would: its own environment,
// working folder and file-size limit; stdout captured; exit status returned.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace zavtest {

struct ZavbuildRun {
  std::vector<std::string> args;
  std::string workingFolder;
  std::optional<std::string> codePage;        // ZAV_CODEPAGE; unset when empty
  std::optional<rlim_t> fileSizeLimitBytes;  // RLIMIT_FSIZE, to make writes fail for real
};

struct ZavbuildResult {
  int status = -1;
  std::string output;
};

inline ZavbuildResult RunZavbuild(const ZavbuildRun& run) {
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
    if (run.fileSizeLimitBytes) {
      signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
      const rlimit limit{*run.fileSizeLimitBytes, *run.fileSizeLimitBytes};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::vector<char*> argv{const_cast<char*>(ZAVBUILD_PATH)};
    for (const std::string& arg : run.args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(ZAVBUILD_PATH, argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  ZavbuildResult result;
  char buffer[4096];
  for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0) break;
    result.output.append(buffer, static_cast<std::size_t>(got));
  }
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace zavtest
