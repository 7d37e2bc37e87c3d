#include "compiler/gunzip.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/failure.h"

namespace zav {
namespace {

constexpr int kGzipOnlyWindowBits = 15 + 16;
constexpr std::size_t kMaxInputPieceBytes = std::size_t{1} << 30;  // avail_in is 32-bit
// Large enough that a piece is worth a call of the compressor, small enough to stay
// in the cache beside it.
constexpr std::size_t kPieceBytes = std::size_t{256} << 10;

[[noreturn]] void ThrowInvalid(const char* detail) {
  throw Failure(ErrorKind::General, std::string("Invalid gzip data: ") + detail);
}

struct InflateEnd {
  void operator()(z_stream* strm) const noexcept { inflateEnd(strm); }
};

}  // namespace

void GunzipInPieces(std::span<const std::uint8_t> gzipBytes, std::vector<std::uint8_t>& buffer,
                    const ContentPiece& take) {
  if (gzipBytes.empty()) ThrowInvalid("empty file");
  z_stream strm{};
  if (const int rc = inflateInit2(&strm, kGzipOnlyWindowBits); rc != Z_OK) {
    throw Failure(ErrorKind::Compression, zError(rc));
  }
  const std::unique_ptr<z_stream, InflateEnd> owner(&strm);
  buffer.resize(kPieceBytes);
  const Bytef* const base = gzipBytes.data();
  const std::size_t total = gzipBytes.size();
  strm.next_in = const_cast<Bytef*>(base);
  strm.avail_in = 0;
  for (;;) {
    const auto used = static_cast<std::size_t>(strm.next_in - base);
    if (strm.avail_in == 0) strm.avail_in = static_cast<uInt>(std::min(total - used, kMaxInputPieceBytes));
    strm.next_out = buffer.data();
    strm.avail_out = static_cast<uInt>(buffer.size());
    const int rc = inflate(&strm, Z_NO_FLUSH);
    const std::size_t produced = buffer.size() - strm.avail_out;
    if (produced > 0) take(std::span<const std::uint8_t>(buffer.data(), produced));
    const std::size_t left = total - static_cast<std::size_t>(strm.next_in - base);
    if (rc == Z_STREAM_END) {
      if (left == 0) return;
      // Another member follows, as in concatenated gzip files.
      if (const int reset = inflateReset(&strm); reset != Z_OK) {
        throw Failure(ErrorKind::Compression, zError(reset));
      }
      continue;
    }
    if (rc == Z_NEED_DICT || rc == Z_DATA_ERROR) ThrowInvalid(strm.msg != nullptr ? strm.msg : "data error");
    if (rc == Z_MEM_ERROR) throw Failure(ErrorKind::Compression, zError(rc));
    if (left == 0 && strm.avail_out > 0) ThrowInvalid("unexpected end of data");
  }
}

void GunzipAll(std::span<const std::uint8_t> gzipBytes, std::vector<std::uint8_t>& content) {
  content.clear();
  std::vector<std::uint8_t> buffer;
  GunzipInPieces(gzipBytes, buffer, [&content](std::span<const std::uint8_t> piece) {
    content.insert(content.end(), piece.begin(), piece.end());
  });
}

}  // namespace zav
