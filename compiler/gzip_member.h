// One whole gzip member in memory per call, with the deflate state kept from call to
// call. A symbol's block and its side file hold the same member, so a symbol is
// compressed once, on whichever worker thread takes it.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <vector>

namespace zav {

class GzipMemberEncoder {
 public:
  GzipMemberEncoder();  // throws Failure(Compression, zError(rc))
  GzipMemberEncoder(const GzipMemberEncoder&) = delete;
  GzipMemberEncoder& operator=(const GzipMemberEncoder&) = delete;
  ~GzipMemberEncoder();

  // Replaces `member` with the gzip member of `input`: the fixed ten header bytes, the
  // deflate data (level 9, 32 KiB window, memory level 8, default strategy, fed without
  // a flush and finished once) and the CRC-32 and length trailer. Throws
  // Failure(Compression, zError(rc)).
  void Encode(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& member);

 private:
  z_stream strm_{};
};

}  // namespace zav
