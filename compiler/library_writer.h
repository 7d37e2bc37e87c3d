// The layout of the symbol library file, and nothing else: 25-byte header, copyright
// block, blocks (a 4-byte length and one gzip member each), index offset, trailer.
// Bytes go to a ByteSink; the writer never reads back and never touches a file itself.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "compiler/byte_sink.h"
#include "format/library_format.h"

namespace zav {

inline constexpr std::uint64_t kFormatLimitBytes = format::kLimitBytes;

class LibraryWriter {
 public:
  // limitBytes: the size the library must never reach (smaller in tests).
  explicit LibraryWriter(ByteSink& library, std::uint64_t limitBytes = kFormatLimitBytes);

  // The operations, in the order a run calls them. Each fails with kind "Exception"
  // when the library would reach the limit.
  void WriteHeader();
  void WriteCopyrightBlock(std::string_view storedText);
  std::int32_t AppendBlock(std::span<const std::uint8_t> gzipMember);  // the block's offset
  void MarkIndexOffset();  // the next block is the index
  void FinishLibrary();

 private:
  void CheckRoom(std::uint64_t moreBytes) const;
  void Put(std::span<const std::uint8_t> bytes);
  void PutLE32(std::uint32_t value);

  ByteSink& library_;
  std::uint64_t limitBytes_;
  std::uint32_t indexOffset_ = format::kUnsetIndexOffset;
};

}  // namespace zav
