// The reader's only access to the file system: a library opened read-only without
// blocking (a FIFO or device is refused, never waited on) and read by position, so
// that any number of threads read it at once and nothing holds the whole file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/handles.h"

namespace zav::reader {

class LibraryFile {
 public:
  // EFOpenError "Cannot open file "<absolute>". <system text>"; anything but a regular
  // file (a FIFO, a device, a folder) is refused with the same message and its own words.
  static LibraryFile Open(const std::string& pathText);
  // A descriptor the caller opened (the fuzz target's memory file); taken over.
  static LibraryFile FromDescriptor(UniqueFd fd, const std::string& pathText);

  const std::string& PathText() const { return pathText_; }
  std::uint64_t Size() const { return size_; }

  // Fills `into` from `offset`; fewer bytes only where the file ends. EReadError with
  // the system's text when the read fails.
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const;

 private:
  LibraryFile(UniqueFd fd, std::string pathText, std::uint64_t size)
      : fd_(std::move(fd)), pathText_(std::move(pathText)), size_(size) {}

  UniqueFd fd_;
  std::string pathText_;
  std::uint64_t size_;
};

}  // namespace zav::reader
