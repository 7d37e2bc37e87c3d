#include "compiler/gunzip.h"

#include <zlib.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/failure.h"

namespace zav {
namespace {

constexpr int kGzipOnlyWindowBits = 15 + 16;
constexpr std::size_t kMaxPieceBytes = std::size_t{1} << 30;

[[noreturn]] void ThrowInvalid(const char* detail) {
  throw Failure(ErrorKind::General, std::string("Invalid gzip data: ") + detail);
}

struct InflateEnd {
  void operator()(z_stream* strm) const noexcept { inflateEnd(strm); }
};

}  // namespace

void GunzipAll(std::span<const std::uint8_t> gzipBytes, std::vector<std::uint8_t>& content) {
  content.clear();
  if (gzipBytes.empty()) ThrowInvalid("empty file");
  z_stream strm{};
  if (const int rc = inflateInit2(&strm, kGzipOnlyWindowBits); rc != Z_OK) {
    throw Failure(ErrorKind::Compression, zError(rc));
  }
  const std::unique_ptr<z_stream, InflateEnd> owner(&strm);
  // A first guess at the content's size, doubled as needed; capped, so that a large
  // file does not claim memory before its content proves to need it.
  constexpr std::size_t kFirstGuessCapBytes = std::size_t{64} << 20;
  content.resize(std::min(gzipBytes.size() * 4 + 4096, kFirstGuessCapBytes));
  const Bytef* const base = gzipBytes.data();
  const std::size_t total = gzipBytes.size();
  std::size_t produced = 0;
  strm.next_in = const_cast<Bytef*>(base);
  strm.avail_in = 0;
  for (;;) {
    const auto used = static_cast<std::size_t>(strm.next_in - base);
    if (strm.avail_in == 0) strm.avail_in = static_cast<uInt>(std::min(total - used, kMaxPieceBytes));
    if (produced == content.size()) content.resize(content.size() * 2);
    const std::size_t room = std::min(content.size() - produced, kMaxPieceBytes);
    strm.next_out = content.data() + produced;
    strm.avail_out = static_cast<uInt>(room);
    const int rc = inflate(&strm, Z_NO_FLUSH);
    produced += room - strm.avail_out;
    const std::size_t left = total - static_cast<std::size_t>(strm.next_in - base);
    if (rc == Z_STREAM_END) {
      if (left == 0) break;
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
  content.resize(produced);
}

}  // namespace zav
