// Where the library's bytes go: a FileSink in a run, a MemorySink in tests. The writer
// only appends, except for fields it fills in once their value is known.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <vector>

namespace zav {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Append(std::span<const std::uint8_t> bytes) = 0;
  virtual std::uint64_t Size() const = 0;
  // Replaces bytes already appended; offset + size must not pass Size().
  virtual void Overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
};

class MemorySink final : public ByteSink {
 public:
  void Append(std::span<const std::uint8_t> bytes) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }
  std::uint64_t Size() const override { return bytes_.size(); }
  void Overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset) {
      throw std::out_of_range("MemorySink::Overwrite past the end");
    }
    if (!bytes.empty()) std::memcpy(bytes_.data() + offset, bytes.data(), bytes.size());
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace zav
