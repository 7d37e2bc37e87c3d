// Reads one block's gzip member back as its content, a piece at a time, and checks it
// on the way: the fixed ten header bytes, the deflate data, the CRC-32 and size that
// end it, and that it ends exactly where the block does. Memory stays two fixed
// buffers whatever the member's size, and the content stops at a limit, so a member
// that inflates without end (a "gzip bomb") is a damaged member and never an allocation.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <span>
#include <vector>

#include "reader/library_file.h"

namespace zav::reader {

class MemberReader {
 public:
  MemberReader();
  MemberReader(const MemberReader&) = delete;
  MemberReader& operator=(const MemberReader&) = delete;
  ~MemberReader();

  // The member of `memberBytes` bytes at `memberAt` (a block's offset + 4).
  void Start(const LibraryFile& file, std::uint64_t memberAt, std::uint32_t memberBytes,
             std::uint64_t maxContentBytes);

  // The next piece of content; empty once the whole member has been read and found
  // sound. Throws DamagedData with the problem's text; EReadError from the file.
  std::span<const std::uint8_t> Next();

  std::uint64_t ContentBytes() const { return contentBytes_; }

 private:
  std::size_t Refill();
  void CheckEnd();

  z_stream strm_{};
  const LibraryFile* file_ = nullptr;
  std::uint64_t at_ = 0;        // next member byte to read from the file
  std::uint64_t end_ = 0;       // one past the member's last byte
  std::uint64_t maxContentBytes_ = 0;
  std::uint64_t contentBytes_ = 0;
  std::uint32_t crc_ = 0;
  bool inflating_ = false;
  bool done_ = false;
  std::vector<std::uint8_t> in_;
  std::vector<std::uint8_t> out_;
};

}  // namespace zav::reader
