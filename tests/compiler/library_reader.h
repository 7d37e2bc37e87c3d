// Reads a library back for the tests, independently of the writer: header fields, the
// copyright text, every block with its offset, the trailer; members inflated with zlib.
#pragma once

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zavtest {

inline std::uint32_t LE32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The content of one gzip member; "<invalid>" when zlib refuses it.
inline std::string Inflated(const std::string& member) {
  z_stream strm{};
  if (inflateInit2(&strm, 31) != Z_OK) return "<invalid>";
  std::string out(member.size() * 8 + 1024, '\0');
  strm.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
  strm.avail_in = static_cast<uInt>(member.size());
  strm.next_out = reinterpret_cast<Bytef*>(out.data());
  strm.avail_out = static_cast<uInt>(out.size());
  const int rc = inflate(&strm, Z_FINISH);
  const bool whole = rc == Z_STREAM_END && strm.avail_in == 0;
  out.resize(strm.total_out);
  inflateEnd(&strm);
  return whole ? out : "<invalid>";
}

struct Block {
  std::uint32_t offset;
  std::string member;
};

struct ParsedLibrary {
  std::uint32_t indexOffset = 0;
  std::string copyright;
  std::vector<Block> blocks;  // the index block last
};

inline ::testing::AssertionResult ParseLibrary(const std::string& bytes, ParsedLibrary& parsed) {
  const std::string head("\x00\x0B\x02\x02zavsymlibsvg\x00\x00\x00\x00", 20);
  if (bytes.size() < 32 || bytes.compare(0, 20, head) != 0 || bytes[24] != '\xFF') {
    return ::testing::AssertionFailure() << "bad header";
  }
  if (bytes.compare(bytes.size() - 3, 3, "zav") != 0) return ::testing::AssertionFailure() << "no trailer";
  parsed.indexOffset = LE32At(bytes, 20);
  const std::uint32_t copyrightLength = LE32At(bytes, 25);
  parsed.copyright = bytes.substr(29, copyrightLength);
  std::size_t at = 29 + copyrightLength;
  while (at < bytes.size() - 3) {
    const std::uint32_t length = LE32At(bytes, at);
    if (at + 4 + length > bytes.size() - 3) return ::testing::AssertionFailure() << "block at " << at << " runs over";
    parsed.blocks.push_back({static_cast<std::uint32_t>(at), bytes.substr(at + 4, length)});
    if (bytes.compare(at + 4, 10, std::string("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x0B", 10)) != 0) {
      return ::testing::AssertionFailure() << "gzip header of the block at " << at;
    }
    at += 4 + length;
  }
  if (parsed.blocks.empty() || parsed.blocks.back().offset != parsed.indexOffset) {
    return ::testing::AssertionFailure() << "the index offset does not name the last block";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace zavtest
