// One gzip member per call, as every block and side file holds: zlib deflate at level
// 9, 32 KiB window, memory level 8, default strategy, and the fixed ten header bytes
// 1F 8B 08 00 00000000 02 0B. One deflate state serves every member of a run.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <vector>

namespace zav {

class Deflater {
 public:
  Deflater();  // EZCompressionError with zlib's text when the state cannot be set up
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;
  ~Deflater();

  // Replaces `member` with the complete gzip member of `input` (its capacity is kept).
  void CompressMember(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& member);

 private:
  void Restart();

  z_stream strm_{};
  gz_header header_{};  // zlib keeps a pointer to it until the header is out
  bool fresh_ = true;   // no member made since deflateInit2
};

}  // namespace zav
