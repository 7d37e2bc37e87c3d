// Where the library's bytes go: a FileSink in a run, a MemorySink in tests. The writer
// only appends, except for fields it fills in once their value is known.
#pragma once

#include <cstdint>
#include <span>

namespace zav {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Append(std::span<const std::uint8_t> bytes) = 0;
  virtual std::uint64_t Size() const = 0;
  // Replaces bytes already appended; offset + size must not pass Size().
  virtual void Overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace zav
