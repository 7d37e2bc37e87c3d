// The library's bytes on their way to disk: collected in one buffer and written in
// large pieces, every write checked. Fields filled in later are patched in the buffer
// when still there, else written in place with pwrite.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compiler/byte_sink.h"

namespace zav {

class FileSink final : public ByteSink {
 public:
  // The descriptor stays owned by the caller and must be positioned at its start.
  explicit FileSink(int fd, std::size_t bufferBytes = kDefaultBufferBytes);
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  void Append(std::span<const std::uint8_t> bytes) override;
  std::uint64_t Size() const override { return written_ + buffer_.size(); }
  void Overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
  // Writes what is buffered; EWriteError "Stream write error" on failure.
  void Flush();

  static constexpr std::size_t kDefaultBufferBytes = std::size_t{1} << 20;

 private:
  int fd_;
  std::size_t capacity_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t written_ = 0;  // bytes already in the file, ahead of the buffer
};

}  // namespace zav
