// The loop behind every write of the file layer (platform/file_io.h): how the outcomes
// of one write() are decided, in one place. Apart from the system calls so that each
// outcome can be shown with a stand-in for them.
#pragma once

#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>

namespace zav {

// One write() or pwrite() moves at most about 2 GiB on Linux; pieces stay below that.
inline constexpr std::size_t kMaxWriteChunkBytes = std::size_t{1} << 30;

// Writes every byte through `writeSome(data, size, doneSoFar)`, which moves some of
// them as write() does: returns 0 or the errno of the write that failed. EINTR is tried
// again; a write that moves no byte at all is a failure (ENOSPC), never a reason to try
// again, since nothing says the next one would move any.
template <typename WriteSome>
int WriteEvery(std::span<const std::uint8_t> bytes, WriteSome writeSome) {
  std::uint64_t done = 0;
  while (!bytes.empty()) {
    const ssize_t put = writeSome(bytes.data(), std::min(bytes.size(), kMaxWriteChunkBytes), done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return ENOSPC;
    bytes = bytes.subspan(static_cast<std::size_t>(put));
    done += static_cast<std::uint64_t>(put);
  }
  return 0;
}

}  // namespace zav
