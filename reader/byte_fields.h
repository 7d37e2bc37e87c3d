// Reading the format's little-endian fields, and bytes shown in hex in messages.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace zav::reader {

inline std::uint32_t LE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// "1F 8B 08"
inline std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (const std::uint8_t b : bytes) {
    char piece[4];
    std::snprintf(piece, sizeof piece, "%02X", b);
    if (!text.empty()) text += ' ';
    text += piece;
  }
  return text;
}

}  // namespace zav::reader
