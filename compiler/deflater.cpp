#include "compiler/deflater.h"

#include <string>

#include "format/library_format.h"
#include "platform/failure.h"

namespace zav {
namespace {

constexpr int kLevel = 9;
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;
// avail_in and avail_out are 32-bit: input goes in pieces of at most this.
constexpr std::size_t kMaxPieceBytes = std::size_t{1} << 30;

[[noreturn]] void ThrowZlib(int rc) { throw Failure(ErrorKind::Compression, zError(rc)); }

}  // namespace

Deflater::Deflater() {
  const int rc = deflateInit2(&strm_, kLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                              Z_DEFAULT_STRATEGY);
  if (rc != Z_OK) ThrowZlib(rc);
}

Deflater::~Deflater() { deflateEnd(&strm_); }

void Deflater::Restart() {
  if (!fresh_) {
    if (const int rc = deflateReset(&strm_); rc != Z_OK) ThrowZlib(rc);
  }
  fresh_ = false;
  header_ = gz_header{};
  header_.os = format::kGzipOsByte;  // whatever system zlib was built for
  if (const int rc = deflateSetHeader(&strm_, &header_); rc != Z_OK) ThrowZlib(rc);
}

void Deflater::CompressMember(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& member) {
  BeginMember(member, input.size());
  FeedMember(input, member);
  FinishMember(member);
}

void Deflater::BeginMember(std::vector<std::uint8_t>& member, std::size_t expectedInputBytes) {
  Restart();
  // Room for the whole member at once in all but pathological cases; grown if not.
  const uLong bound = expectedInputBytes <= kMaxPieceBytes
                          ? deflateBound(&strm_, static_cast<uLong>(expectedInputBytes))
                          : expectedInputBytes + expectedInputBytes / 8 + 64;
  member.resize(bound);
  produced_ = 0;
}

int Deflater::Step(int flush, std::vector<std::uint8_t>& member) {
  if (produced_ == member.size()) {
    // Grown by half, exactly: resize() alone would double the room of a long member.
    const std::size_t grown = member.size() + member.size() / 2 + 4096;
    member.reserve(grown);
    member.resize(grown);
  }
  const std::size_t room = std::min(member.size() - produced_, kMaxPieceBytes);
  strm_.next_out = member.data() + produced_;
  strm_.avail_out = static_cast<uInt>(room);
  const int rc = deflate(&strm_, flush);
  produced_ += room - strm_.avail_out;
  if (rc < 0 && rc != Z_BUF_ERROR) ThrowZlib(rc);  // Z_BUF_ERROR only means no progress
  return rc;
}

void Deflater::FeedMember(std::span<const std::uint8_t> input, std::vector<std::uint8_t>& member) {
  while (!input.empty()) {
    const std::size_t piece = std::min(input.size(), kMaxPieceBytes);
    strm_.next_in = const_cast<Bytef*>(input.data());
    strm_.avail_in = static_cast<uInt>(piece);
    while (strm_.avail_in > 0) Step(Z_NO_FLUSH, member);
    input = input.subspan(piece);
  }
  strm_.next_in = nullptr;
}

void Deflater::FinishMember(std::vector<std::uint8_t>& member) {
  strm_.next_in = nullptr;
  strm_.avail_in = 0;
  while (Step(Z_FINISH, member) != Z_STREAM_END) {
  }
  member.resize(produced_);
}

}  // namespace zav
