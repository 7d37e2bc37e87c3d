// The deflate data is made raw and wrapped here: zlib's own gzip wrapper writes the
// operating system byte of its build, and the format fixes 0x0B there. The raw data is
// the same bytes that zlib puts between its wrapper's header and trailer.
#include "gzip_member.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "failure.h"

namespace zav {
namespace {

constexpr int kLevel = 9;
constexpr int kRawWindowBits = -15;  // 32 KiB window, no zlib or gzip wrapper
constexpr int kMemoryLevel = 8;
// ID1 ID2, deflate, no flags, mtime 0, "maximum compression", OS byte 0x0B.
constexpr std::array<std::uint8_t, 10> kHeader = {0x1F, 0x8B, 0x08, 0x00, 0x00,
                                                  0x00, 0x00, 0x00, 0x02, 0x0B};
constexpr std::size_t kTrailerSize = 8;
// avail_in and avail_out are 32-bit: larger inputs go in pieces.
constexpr std::size_t kMaxPiece = std::numeric_limits<uInt>::max();

[[noreturn]] void ThrowZlib(int rc) {
  throw Failure(ErrorKind::Compression, zError(rc));
}

void PutLE32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

GzipMemberEncoder::GzipMemberEncoder() {
  const int rc = deflateInit2(&strm_, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel,
                              Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) ThrowZlib(rc);
}

GzipMemberEncoder::~GzipMemberEncoder() { deflateEnd(&strm_); }

void GzipMemberEncoder::Encode(std::span<const std::uint8_t> input,
                               std::vector<std::uint8_t>& member) {
  if (const int rc = deflateReset(&strm_); rc != Z_OK) ThrowZlib(rc);
  // deflateBound is exact enough to need one deflate call for the whole stream, but
  // the loop below does not rely on it.
  const uLong bound = input.size() <= std::numeric_limits<uLong>::max()
                          ? deflateBound(&strm_, static_cast<uLong>(input.size()))
                          : input.size();
  member.resize(kHeader.size() + bound + kTrailerSize);
  std::copy(kHeader.begin(), kHeader.end(), member.begin());
  std::size_t produced = kHeader.size();

  std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  std::size_t fed = 0;
  // Fed with Z_NO_FLUSH and then finished, as a streaming writer does; one-shot
  // Z_FINISH could cut blocks elsewhere and change the bytes.
  for (int flush = Z_NO_FLUSH;;) {
    if (strm_.avail_in == 0 && fed < input.size()) {
      const std::size_t piece = std::min(input.size() - fed, kMaxPiece);
      strm_.next_in = const_cast<Bytef*>(input.data() + fed);  // zlib's API is not const
      strm_.avail_in = static_cast<uInt>(piece);
      crc = static_cast<std::uint32_t>(crc32_z(crc, input.data() + fed, piece));
      fed += piece;
    }
    if (member.size() - produced < kTrailerSize + 1) member.resize(member.size() * 2);
    const std::size_t room = std::min(member.size() - kTrailerSize - produced, kMaxPiece);
    strm_.next_out = member.data() + produced;
    strm_.avail_out = static_cast<uInt>(room);
    const int rc = deflate(&strm_, flush);
    produced += room - strm_.avail_out;
    if (rc == Z_STREAM_END) break;
    if (rc < 0 && rc != Z_BUF_ERROR) ThrowZlib(rc);  // Z_BUF_ERROR: no progress, not a fault
    if (flush == Z_NO_FLUSH && strm_.avail_in == 0 && fed == input.size()) flush = Z_FINISH;
  }
  member.resize(produced + kTrailerSize);
  PutLE32(member.data() + produced, crc);
  PutLE32(member.data() + produced + 4, static_cast<std::uint32_t>(input.size()));
}

}  // namespace zav
