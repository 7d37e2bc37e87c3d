// Entries that are not plain files, made for real in a test's folder: a bound UNIX
// socket, and a lease on a file as a file server takes it (an open() that conflicts is
// held until the holder lets go, and the holder is told with SIGIO), which stops a
// program at a known point without any timing.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace zavtest {

class BoundSocket {
 public:
  // False where the path is too long for a socket address or binding fails.
  bool Bind(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (fd_ < 0 || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~BoundSocket() {
    if (fd_ >= 0) ::close(fd_);
  }

 private:
  int fd_ = -1;
};

class HeldLease {
 public:
  // F_RDLCK holds back writers, F_WRLCK readers too. False where leases are not allowed
  // here. SIGIO is held on this thread from now on, to be waited for.
  bool Take(const std::string& path, int type) {
    fd_ = ::open(path.c_str(), O_RDONLY);
    if (fd_ < 0 || ::fcntl(fd_, F_SETLEASE, type) != 0) return false;
    sigemptyset(&io_);
    sigaddset(&io_, SIGIO);
    held_ = pthread_sigmask(SIG_BLOCK, &io_, nullptr) == 0;
    return held_;
  }
  // True once an open() is held by the lease; false after a minute without one.
  bool WaitUntilSomeoneWaits() {
    const timespec limit{60, 0};  // only a regression that never opens the file meets it
    return held_ && sigtimedwait(&io_, nullptr, &limit) == SIGIO;
  }
  void Release() {
    if (fd_ < 0) return;
    ::fcntl(fd_, F_SETLEASE, F_UNLCK);
    ::close(fd_);
    fd_ = -1;
  }
  ~HeldLease() {
    Release();
    if (held_) pthread_sigmask(SIG_UNBLOCK, &io_, nullptr);
  }

 private:
  int fd_ = -1;
  sigset_t io_{};
  bool held_ = false;
};

}  // namespace zavtest
