// The bytes of the symbol library file, written down once: the compiler's writer and
// the reader both take them from here. Every integer field is 4 bytes, little-endian;
// offsets count from the first byte of the file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zav::format {

inline constexpr std::array<std::uint8_t, 4> kLeadBytes = {0x00, 0x0B, 0x02, 0x02};
inline constexpr std::uint64_t kMagicAt = 4;
inline constexpr std::string_view kMagic = "zavsymlibsvg";
inline constexpr std::uint64_t kZeroFieldAt = 16;  // four bytes 0x00
inline constexpr std::uint64_t kIndexOffsetAt = 20;
// The last byte of the all-ones placeholder that the index offset is written over one
// byte lower; it stays in every finished file and belongs to no field.
inline constexpr std::uint64_t kFfByteAt = 24;
inline constexpr std::uint8_t kFfByte = 0xFF;
inline constexpr std::uint64_t kCopyrightLengthAt = 25;
inline constexpr std::uint64_t kCopyrightTextAt = 29;
inline constexpr std::uint32_t kUnsetIndexOffset = 0xFFFFFFFF;

// A block: this many bytes of length, then exactly one gzip member of that length.
inline constexpr std::size_t kLengthFieldBytes = 4;

// Every member starts with these ten bytes: deflate, no flags, time 0, maximum
// compression, operating system 0x0B whatever system zlib was built for. Eight bytes
// end it: the CRC-32 and the size modulo 2^32 of the content, little-endian.
inline constexpr std::array<std::uint8_t, 10> kGzipHeader = {0x1F, 0x8B, 0x08, 0x00, 0x00,
                                                             0x00, 0x00, 0x00, 0x02, 0x0B};
inline constexpr std::uint8_t kGzipOsByte = kGzipHeader[9];
inline constexpr std::size_t kGzipTrailerBytes = 8;

inline constexpr std::string_view kTrailer = "zav";

// Offsets are printed and stored as signed 32-bit numbers: a library stays below this.
inline constexpr std::uint64_t kLimitBytes = std::uint64_t{1} << 31;

}  // namespace zav::format
