// The little binary form in which the front end hands data between its processes and
// over a restart (a database table from the reading child, a build journal): fixed-width
// little-endian numbers and length-prefixed texts, read back by a reader that checks
// every take, so that bytes cut short or garbled fail cleanly instead of being trusted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orlindo {

inline void PutU32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

inline void PutU64(std::string& out, std::uint64_t value) {
  for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

// A text of up to 4 GiB: its length in four bytes, then the bytes.
inline void PutText(std::string& out, std::string_view text) {
  PutU32(out, static_cast<std::uint32_t>(text.size()));
  out.append(text);
}

// Reads front to back; every take checks what is left.
class FieldReader {
 public:
  explicit FieldReader(std::string_view bytes) : rest_(bytes) {}
  bool Take(std::string_view expected) {
    if (rest_.substr(0, expected.size()) != expected) return false;
    rest_.remove_prefix(expected.size());
    return true;
  }
  bool U32(std::uint32_t& value) {
    std::uint64_t wide = 0;
    if (!Number(4, wide)) return false;
    value = static_cast<std::uint32_t>(wide);
    return true;
  }
  bool U64(std::uint64_t& value) { return Number(8, value); }
  bool Byte(std::uint8_t& value) {
    if (rest_.empty()) return false;
    value = static_cast<std::uint8_t>(rest_[0]);
    rest_.remove_prefix(1);
    return true;
  }
  bool Flag(bool& value) {
    std::uint8_t byte = 0;
    if (!Byte(byte)) return false;
    value = byte != 0;
    return true;
  }
  bool Text(std::string& text) {
    std::uint32_t size = 0;
    return U32(size) && Piece(size, text);
  }
  // The next `size` bytes as they stand.
  bool Piece(std::uint64_t size, std::string& into) {
    if (rest_.size() < size) return false;
    into.assign(rest_.substr(0, static_cast<std::size_t>(size)));
    rest_.remove_prefix(static_cast<std::size_t>(size));
    return true;
  }
  std::size_t Left() const { return rest_.size(); }

 private:
  bool Number(int width, std::uint64_t& value) {
    if (rest_.size() < static_cast<std::size_t>(width)) return false;
    value = 0;
    for (int i = width - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(rest_[static_cast<std::size_t>(i)]);
    rest_.remove_prefix(static_cast<std::size_t>(width));
    return true;
  }

  std::string_view rest_;
};

}  // namespace orlindo
