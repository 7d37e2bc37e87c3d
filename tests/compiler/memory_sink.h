// The library's bytes kept in memory, for tests of the writer and the scan.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <vector>

#include "compiler/byte_sink.h"

namespace zavtest {

class MemorySink final : public zav::ByteSink {
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

}  // namespace zavtest
