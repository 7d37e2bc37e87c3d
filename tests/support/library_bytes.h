// Symbol library files made byte by byte for the reader's tests, independently of the
// compiler: every fixed byte is written out here, and members are made with zlib, so a
// test can place blocks, lengths and offsets wherever its fault needs them.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zavtest {

inline std::string LE32(std::uint32_t value) {
  std::string bytes;
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift & 0xFF);
  return bytes;
}

// One gzip member as the compiler writes it: the fixed ten header bytes, deflate data,
// CRC-32 and size.
inline std::string GzipMember(const std::string& content) {
  z_stream strm{};
  deflateInit2(&strm, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string deflated(deflateBound(&strm, static_cast<uLong>(content.size())) + 16, '\0');
  strm.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  strm.avail_in = static_cast<uInt>(content.size());
  strm.next_out = reinterpret_cast<Bytef*>(deflated.data());
  strm.avail_out = static_cast<uInt>(deflated.size());
  deflate(&strm, Z_FINISH);
  deflated.resize(strm.total_out);
  deflateEnd(&strm);
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
  return std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x0B", 10) + deflated + LE32(crc) +
         LE32(static_cast<std::uint32_t>(content.size()));
}

// A gzip file as gzip or zlib makes one: zlib's own header (the OS byte of this system).
inline std::string GzipFile(const std::string& text) {
  z_stream strm{};
  deflateInit2(&strm, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(text.size() + 64, '\0');
  strm.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  strm.avail_in = static_cast<uInt>(text.size());
  strm.next_out = reinterpret_cast<Bytef*>(out.data());
  strm.avail_out = static_cast<uInt>(out.size());
  deflate(&strm, Z_FINISH);
  out.resize(strm.total_out);
  deflateEnd(&strm);
  return out;
}

inline std::string BlockOf(const std::string& member) {
  return LE32(static_cast<std::uint32_t>(member.size())) + member;
}

// Header, copyright block, the blocks in the order added, the index block, "zav".
class LibraryMaker {
 public:
  explicit LibraryMaker(std::string copyright = "Hello World\r\n") : copyright_(std::move(copyright)) {}

  std::uint32_t Next() const { return static_cast<std::uint32_t>(29 + copyright_.size() + body_.size()); }

  // Any bytes where a block stands; returns their offset.
  std::uint32_t Add(const std::string& bytes) {
    const std::uint32_t at = Next();
    body_ += bytes;
    return at;
  }
  std::uint32_t AddSymbol(const std::string& content) { return Add(BlockOf(GzipMember(content))); }

  std::string Finish(const std::string& indexText) const {
    return FinishWith(indexText, Next());
  }
  // With an index offset of the test's choosing.
  std::string FinishWith(const std::string& indexText, std::uint32_t indexOffset) const {
    return std::string("\x00\x0B\x02\x02zavsymlibsvg\x00\x00\x00\x00", 20) + LE32(indexOffset) + "\xFF" +
           LE32(static_cast<std::uint32_t>(copyright_.size())) + copyright_ + body_ +
           BlockOf(GzipMember(indexText)) + "zav";
  }

 private:
  std::string copyright_;
  std::string body_;
};

}  // namespace zavtest
