#include "compiler/library_writer.h"

#include <array>
#include <string>

#include "format/library_format.h"
#include "platform/failure.h"

namespace zav {
namespace {

using format::kIndexOffsetAt;
using format::kLeadBytes;
using format::kMagic;
using format::kTrailer;

// Offsets 20..24 after WriteHeader: one byte that the index offset later covers, then
// the all-ones index offset, whose last byte (0xFF at 24) stays in every finished file.
constexpr std::array<std::uint8_t, 5> kIndexPlaceholder = {0x00, 0xFF, 0xFF, 0xFF, format::kFfByte};
static_assert(kIndexOffsetAt + 1 + 3 == format::kFfByteAt);

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::array<std::uint8_t, 4> LE32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace

LibraryWriter::LibraryWriter(ByteSink& library, std::uint64_t limitBytes)
    : library_(library), limitBytes_(limitBytes) {}

void LibraryWriter::WriteHeader() {
  Put(kLeadBytes);
  Put(AsBytes(kMagic));
  PutLE32(0);
  Put(kIndexPlaceholder);
  indexOffset_ = format::kUnsetIndexOffset;
}

void LibraryWriter::WriteCopyrightBlock(std::string_view storedText) {
  CheckRoom(4 + storedText.size());
  PutLE32(static_cast<std::uint32_t>(storedText.size()));
  Put(AsBytes(storedText));
}

std::int32_t LibraryWriter::AppendBlock(std::span<const std::uint8_t> gzipMember) {
  const std::uint64_t offset = library_.Size();
  CheckRoom(4 + gzipMember.size());  // the whole block, before any of it is written
  PutLE32(static_cast<std::uint32_t>(gzipMember.size()));
  Put(gzipMember);
  return static_cast<std::int32_t>(offset);
}

void LibraryWriter::MarkIndexOffset() { indexOffset_ = static_cast<std::uint32_t>(library_.Size()); }

void LibraryWriter::FinishLibrary() {
  library_.Overwrite(kIndexOffsetAt, LE32(indexOffset_));
  Put(AsBytes(kTrailer));
}

void LibraryWriter::CheckRoom(std::uint64_t moreBytes) const {
  if (library_.Size() + moreBytes >= limitBytes_) {
    throw Failure(ErrorKind::General, "The library exceeds the format's 2 GiB limit");
  }
}

void LibraryWriter::Put(std::span<const std::uint8_t> bytes) {
  CheckRoom(bytes.size());
  library_.Append(bytes);
}

void LibraryWriter::PutLE32(std::uint32_t value) { Put(LE32(value)); }

}  // namespace zav
