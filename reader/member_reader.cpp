#include "reader/member_reader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <string>

#include "format/library_format.h"
#include "platform/failure.h"
#include "reader/byte_fields.h"
#include "reader/problem.h"

namespace zav::reader {
namespace {

constexpr int kRawDeflateWindowBits = -15;  // the header and trailer are checked here
constexpr std::size_t kInBufferBytes = 128 * 1024;
constexpr std::size_t kOutBufferBytes = 128 * 1024;

std::string Hex32(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

}  // namespace

MemberReader::MemberReader() : in_(kInBufferBytes), out_(kOutBufferBytes) {
  if (const int rc = inflateInit2(&strm_, kRawDeflateWindowBits); rc != Z_OK) {
    if (rc == Z_MEM_ERROR) throw std::bad_alloc();
    throw Failure(ErrorKind::Compression, zError(rc));
  }
}

MemberReader::~MemberReader() { inflateEnd(&strm_); }

void MemberReader::Start(const LibraryFile& file, std::uint64_t memberAt, std::uint32_t memberBytes,
                         std::uint64_t maxContentBytes) {
  file_ = &file;
  at_ = memberAt;
  end_ = memberAt + memberBytes;
  maxContentBytes_ = maxContentBytes;
  contentBytes_ = 0;
  crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
  done_ = false;
  inflating_ = false;
  strm_.avail_in = 0;
  if (const int rc = inflateReset(&strm_); rc != Z_OK) throw Failure(ErrorKind::Compression, zError(rc));

  constexpr std::size_t kLeast = format::kGzipHeader.size() + format::kGzipTrailerBytes;
  if (memberBytes < kLeast) {
    throw DamagedData("the block holds " + std::to_string(memberBytes) + " bytes, too few for a gzip member (" +
                      std::to_string(kLeast) + ")");
  }
  // The header and as much of the rest as the buffer holds, in one read: most symbols
  // are smaller than the buffer.
  const std::size_t first = static_cast<std::size_t>(std::min<std::uint64_t>(memberBytes, in_.size()));
  if (file.ReadAt(at_, std::span(in_.data(), first)) != first) throw DamagedData("the file ends inside the gzip member");
  const std::span<const std::uint8_t> header(in_.data(), format::kGzipHeader.size());
  if (!std::equal(header.begin(), header.end(), format::kGzipHeader.begin())) {
    throw DamagedData("the gzip header is " + Hex(header) + ", not " + Hex(format::kGzipHeader));
  }
  at_ += first;
  strm_.next_in = in_.data() + header.size();
  strm_.avail_in = static_cast<uInt>(first - header.size());
  inflating_ = true;
}

std::size_t MemberReader::Refill() {
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(in_.size(), end_ - at_));
  const std::size_t got = file_->ReadAt(at_, std::span(in_.data(), want));
  if (got < want) throw DamagedData("the file ends inside the gzip member");
  at_ += got;
  strm_.next_in = in_.data();
  strm_.avail_in = static_cast<uInt>(got);
  return got;
}

std::span<const std::uint8_t> MemberReader::Next() {
  while (!done_) {
    if (!inflating_) return {};
    if (strm_.avail_in == 0 && (at_ == end_ || Refill() == 0)) {
      throw DamagedData("the deflate data is cut short: the block ends inside it");
    }
    strm_.next_out = out_.data();
    strm_.avail_out = static_cast<uInt>(out_.size());
    const int rc = inflate(&strm_, Z_NO_FLUSH);
    const std::size_t produced = out_.size() - strm_.avail_out;
    if (rc == Z_DATA_ERROR) {
      throw DamagedData(std::string("the deflate data is damaged: ") + (strm_.msg != nullptr ? strm_.msg : "data error"));
    }
    if (rc == Z_MEM_ERROR) throw std::bad_alloc();
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) throw Failure(ErrorKind::Compression, zError(rc));
    crc_ = static_cast<std::uint32_t>(crc32(crc_, out_.data(), static_cast<uInt>(produced)));
    contentBytes_ += produced;
    if (contentBytes_ > maxContentBytes_) {
      throw DamagedData("the content passes the limit of " + std::to_string(maxContentBytes_) +
                        " bytes (--max-symbol-size)");
    }
    if (rc == Z_STREAM_END) {
      CheckEnd();
      done_ = true;
    }
    if (produced > 0) return std::span<const std::uint8_t>(out_.data(), produced);
  }
  return {};
}

void MemberReader::CheckEnd() {
  inflating_ = false;
  // What follows the deflate data: the rest of the input buffer, then the file.
  const std::uint64_t left = strm_.avail_in + (end_ - at_);
  if (left < format::kGzipTrailerBytes) {
    throw DamagedData("the gzip member ends before its CRC-32 and size (" + std::to_string(left) + " of 8 bytes)");
  }
  std::array<std::uint8_t, format::kGzipTrailerBytes + 2> tail{};  // two more: a second member's mark
  const std::size_t fromBuffer = std::min<std::size_t>(strm_.avail_in, tail.size());
  std::copy_n(strm_.next_in, fromBuffer, tail.begin());
  const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(tail.size(), left)) - fromBuffer;
  if (wanted > 0 && file_->ReadAt(at_, std::span(tail.data() + fromBuffer, wanted)) != wanted) {
    throw DamagedData("the file ends inside the gzip member");
  }
  const std::uint32_t storedCrc = LE32(tail.data());
  const std::uint32_t storedSize = LE32(tail.data() + 4);
  if (storedCrc != crc_) throw DamagedData("the CRC-32 is " + Hex32(storedCrc) + ", the content's is " + Hex32(crc_));
  if (storedSize != static_cast<std::uint32_t>(contentBytes_)) {
    throw DamagedData("the size field is " + std::to_string(storedSize) + ", the content has " +
                      std::to_string(contentBytes_) + " bytes");
  }
  const std::uint64_t extra = left - format::kGzipTrailerBytes;
  if (extra == 0) return;
  if (extra >= 2 && tail[8] == format::kGzipHeader[0] && tail[9] == format::kGzipHeader[1]) {
    throw DamagedData("the block holds a second gzip member after the first (" + std::to_string(extra) + " bytes)");
  }
  throw DamagedData(std::to_string(extra) + " bytes follow the gzip member inside the block");
}

}  // namespace zav::reader
