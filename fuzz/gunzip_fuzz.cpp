// Any bytes as a .svgz symbol: GunzipAll either refuses them or gives exactly what
// zlib gives when it is fed one byte at a time into a one-byte buffer, member after
// member, with nothing after the last (the way zlib's own tests force every edge).
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "compiler/gunzip.h"
#include "fuzz/fuzz_support.h"
#include "platform/failure.h"

namespace {

// The content, or nothing when the bytes are not whole gzip members to the last byte.
std::optional<std::vector<std::uint8_t>> GunzipByteByByte(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return std::nullopt;
  z_stream strm{};
  if (inflateInit2(&strm, 15 + 16) != Z_OK) std::abort();
  std::vector<std::uint8_t> content;
  std::size_t used = 0;
  int rc = Z_OK;
  while (used < size) {
    if (rc == Z_STREAM_END && inflateReset(&strm) != Z_OK) std::abort();
    std::uint8_t out = 0;
    strm.next_in = const_cast<Bytef*>(data + used);
    strm.avail_in = 1;
    strm.next_out = &out;
    strm.avail_out = 1;
    rc = inflate(&strm, Z_NO_FLUSH);
    used += 1 - strm.avail_in;
    if (strm.avail_out == 0) content.push_back(out);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) break;
  }
  // Output still held back after the last input byte.
  while (rc == Z_OK || rc == Z_BUF_ERROR) {
    std::uint8_t out = 0;
    strm.next_in = nullptr;
    strm.avail_in = 0;
    strm.next_out = &out;
    strm.avail_out = 1;
    rc = inflate(&strm, Z_NO_FLUSH);
    if (strm.avail_out != 0) break;
    content.push_back(out);
  }
  inflateEnd(&strm);
  if (rc != Z_STREAM_END || used != size) return std::nullopt;
  return content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> content{1, 2, 3};
  bool refused = false;
  try {
    zav::GunzipAll({data, size}, content);
  } catch (const zav::Failure& failure) {
    zavfuzz::Require(failure.kind == zav::ErrorKind::General, "gzip data is refused as Exception");
    zavfuzz::Require(failure.message.starts_with("Invalid gzip data: "), "the refusal says Invalid gzip data");
    refused = true;
  }
  const auto expected = GunzipByteByByte(data, size);
  zavfuzz::Require(refused == !expected.has_value(), "refused exactly when zlib refuses");
  if (!refused) zavfuzz::Require(content == *expected, "the content is zlib's");
  return 0;
}
