// RAII owners for system handles.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/fault_seam.h"

namespace zav {

class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(-1); }

  int get() const noexcept { return fd_; }
  explicit operator bool() const noexcept { return fd_ >= 0; }
  int release() noexcept { return std::exchange(fd_, -1); }

  // Closes now and returns close()'s errno (0 on success); never retried on EINTR,
  // since Linux has released the descriptor either way.
  int Close() noexcept {
    if (fd_ < 0) return 0;
    const int fault = InjectedFault(IoCall::Close);
    const int result = ::close(std::exchange(fd_, -1));
    if (fault != 0) return fault;  // released all the same, as a real failure leaves it
    return result == 0 ? 0 : errno;
  }

 private:
  void Reset(int fd) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int fd_;
};

}  // namespace zav
