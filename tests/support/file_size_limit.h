// Makes every write past a file size fail with EFBIG for one test, as a full disk would
// fail it, and puts the earlier limit back. SIGXFSZ, which would end the process, is
// ignored meanwhile.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace zavtest {

class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &before_);
    rlimit limited = before_;
    limited.rlim_cur = bytes;
    set_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
  }
  ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
  ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before_);
    std::signal(SIGXFSZ, handler_);
  }

  bool IsSet() const { return set_; }

 private:
  void (*handler_)(int);
  rlimit before_{};
  bool set_ = false;
};

}  // namespace zavtest
