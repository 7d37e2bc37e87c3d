// Stores one symbol: its gzip member goes to its side file and, as a block, into the
// library. Each source is read once and compressed once; the same member bytes go to
// both places. The steps are apart (read and compress, then write) so that the
// compression can move to workers while the writes keep the scan's order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "compiler/deflater.h"
#include "compiler/index_stream.h"
#include "compiler/library_writer.h"
#include "compiler/checked_io.h"

namespace zav {

class SymbolStore {
 public:
  explicit SymbolStore(LibraryWriter& library) : library_(library) {}

  // A ".svg" drawing, in two steps, the first on any thread: the drawing's member,
  // made with the caller's deflate state and buffer (EFOpenError, EReadError,
  // EZCompressionError); then, in the symbol's turn, that member into the side file
  // already created and into a block (EWriteError and the writer's limit).
  static void CompressSvg(const std::string& sourcePath, Deflater& deflater,
                          std::vector<std::uint8_t>& source, std::vector<std::uint8_t>& member);
  std::int32_t StoreSvgMember(std::span<const std::uint8_t> member, RunFile& side);
  // The block alone, for a member whose side file was written already.
  std::int32_t AppendSvgBlock(std::span<const std::uint8_t> member) { return library_.AppendBlock(member); }

  // A ".svgz" drawing: copied byte for byte to "side" (which must not exist), and its
  // content, gunzipped, compressed into a block of its own. A failed copy carries the
  // system's text; content that is not gzip data fails with "Invalid gzip data: ...".
  std::int32_t StoreSvgz(const std::string& sourcePath, const std::string& sidePath);

  // The index: its text saved as "txtPath" (created or truncated), then its member into
  // "txtzPath" and the index block. EFCreateError / EWriteError for either file,
  // EZCompressionError.
  void StoreIndex(IndexStream& index, const std::string& txtPath, const std::string& txtzPath);

 private:
  void WriteSideFile(const std::string& sidePath);        // member_ into a new side file

  LibraryWriter& library_;
  Deflater deflater_;
  // Reused between symbols, so that their capacity is allocated once per run.
  std::vector<std::uint8_t> source_;
  std::vector<std::uint8_t> content_;  // a piece of a ".svgz" symbol's content
  std::vector<std::uint8_t> member_;
};

}  // namespace zav
