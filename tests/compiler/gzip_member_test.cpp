// The in-memory member encoder against the format's fixed bytes and against zlib's own
// gzip wrapper fed the way a streaming writer feeds it.
#include "gzip_member.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "bytes.h"

namespace {

std::string Encode(zav::GzipMemberEncoder& encoder, const std::string& input) {
  std::vector<std::uint8_t> member;
  encoder.Encode({reinterpret_cast<const std::uint8_t*>(input.data()), input.size()}, member);
  return {member.begin(), member.end()};
}

// zlib's gzip wrapper, fed whole with Z_NO_FLUSH and finished into a 65,536-byte buffer
// that is emptied whenever it is full, with the OS byte set through a header record.
std::string StreamedMember(const std::string& input) {
  z_stream strm{};
  gz_header header{};
  header.os = 0x0B;
  EXPECT_EQ(deflateInit2(&strm, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
  EXPECT_EQ(deflateSetHeader(&strm, &header), Z_OK);
  std::string out;
  std::vector<unsigned char> buffer(65536);
  strm.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
  strm.avail_in = static_cast<uInt>(input.size());
  for (int flush = Z_NO_FLUSH;;) {
    strm.next_out = buffer.data();
    strm.avail_out = static_cast<uInt>(buffer.size());
    const int rc = deflate(&strm, flush);
    out.append(reinterpret_cast<char*>(buffer.data()), buffer.size() - strm.avail_out);
    if (rc == Z_STREAM_END) break;
    if (strm.avail_in == 0) flush = Z_FINISH;
  }
  deflateEnd(&strm);
  return out;
}

// Text that compresses like drawings do: repeated tags, numbers that vary.
std::string DrawingText(std::size_t bytes, unsigned seed) {
  std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\">\n";
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    text += "<path d=\"M" + std::to_string(seed % 997) + "," + std::to_string((seed >> 10) % 991) +
            "L" + std::to_string((seed >> 3) % 89) + " " + std::to_string(seed % 7) + "Z\"/>\n";
  }
  text.resize(bytes);
  return text;
}

TEST(GzipMemberEncoder, GivesTheFormatsFixedBytes) {
  zav::GzipMemberEncoder encoder;
  EXPECT_TRUE(zavtest::SameBytes(
      zavtest::Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x03, 0x00,
                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
      Encode(encoder, "")));
  EXPECT_TRUE(zavtest::SameBytes(
      zavtest::Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x4B, 0x4C,
                      0x4A, 0x06, 0x00, 0xC2, 0x41, 0x24, 0x35, 0x03, 0x00, 0x00, 0x00}),
      Encode(encoder, "abc")));
}

// One encoder reused over inputs of many sizes, each size met twice, must give what a
// fresh streaming compressor gives every time: no state may leak from one member into
// the next, and block boundaries must not depend on how the output is collected.
TEST(GzipMemberEncoder, ReusedStateGivesTheStreamingWritersBytes) {
  zav::GzipMemberEncoder encoder;
  for (const std::size_t size : {std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                                 std::size_t{65537}, std::size_t{300000}, std::size_t{2500000},
                                 std::size_t{1}, std::size_t{300000}}) {
    const std::string input = DrawingText(size, static_cast<unsigned>(size));
    EXPECT_TRUE(zavtest::SameBytes(StreamedMember(input), Encode(encoder, input))) << size;
  }
}

TEST(GzipMemberEncoder, IncompressibleInput) {
  std::string noise(200000, '\0');
  unsigned state = 1;
  for (char& c : noise) {
    state = state * 1664525u + 1013904223u;
    c = static_cast<char>(state >> 24);
  }
  zav::GzipMemberEncoder encoder;
  EXPECT_TRUE(zavtest::SameBytes(StreamedMember(noise), Encode(encoder, noise)));
}

}  // namespace
