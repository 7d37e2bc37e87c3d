#include "compiler/file_sink.h"

#include <cstring>
#include <string>

#include "compiler/checked_io.h"
#include "platform/failure.h"
#include "platform/file_io.h"

namespace zav {

FileSink::FileSink(int fd, std::size_t bufferBytes) : fd_(fd), capacity_(bufferBytes) {
  buffer_.reserve(capacity_);
}

void FileSink::Append(std::span<const std::uint8_t> bytes) {
  if (buffer_.size() + bytes.size() > capacity_) Flush();
  if (bytes.size() >= capacity_) {
    // A large member goes straight out instead of through the buffer.
    WriteAll(fd_, bytes);
    written_ += bytes.size();
    return;
  }
  buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

void FileSink::Overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  // The part that lies in the file already.
  if (offset < written_) {
    const auto inFile = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), written_ - offset));
    if (TryWriteAllAt(fd_, bytes.first(inFile), offset) != 0) {
      throw Failure(ErrorKind::Write, std::string(kWriteMessage));
    }
    offset += inFile;
    bytes = bytes.subspan(inFile);
  }
  if (bytes.empty()) return;
  const std::uint64_t inBuffer = offset - written_;
  if (inBuffer > buffer_.size() || bytes.size() > buffer_.size() - inBuffer) {
    throw Failure(ErrorKind::Write, std::string(kWriteMessage));
  }
  std::memcpy(buffer_.data() + inBuffer, bytes.data(), bytes.size());
}

void FileSink::Flush() {
  if (buffer_.empty()) return;
  WriteAll(fd_, buffer_);
  written_ += buffer_.size();
  buffer_.clear();
}

}  // namespace zav
