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

  // The same member made from input that arrives in pieces: Begin, Feed any number of
  // times, Finish. Nothing is flushed in between, and deflate's output does not depend
  // on how its input is cut, so the bytes are those of CompressMember over the whole.
  void BeginMember(std::vector<std::uint8_t>& member, std::size_t expectedInputBytes = 0);
  void FeedMember(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& member);
  void FinishMember(std::vector<std::uint8_t>& member);

 private:
  void Restart();
  int Step(int flush, std::vector<std::uint8_t>& member);

  z_stream strm_{};
  gz_header header_{};  // zlib keeps a pointer to it until the header is out
  bool fresh_ = true;   // no member made since deflateInit2
  std::size_t produced_ = 0;  // bytes of the member being made
};

}  // namespace zav
