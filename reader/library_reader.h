// A symbol library file read back and checked against the format, as far as its
// structure goes: header, copyright block, the blocks tiling the space up to the index
// block, the index block and its lines, the trailer. Every length and offset is checked
// against the file before it is used. Faults become problems, not exceptions, so that
// one reading tells all of them; the symbols' content is read on demand (MemberReader).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reader/index_parser.h"
#include "reader/library_file.h"
#include "reader/problem.h"

namespace zav::reader {

inline constexpr std::uint64_t kDefaultMaxContentBytes = std::uint64_t{256} << 20;

struct ReadOptions {
  std::uint64_t maxContentBytes = kDefaultMaxContentBytes;  // per symbol, the index and the copyright
};

struct Block {
  std::uint64_t offset = 0;   // of its length field
  std::uint32_t length = 0;   // of its gzip member
  std::uint32_t contentSize = 0;  // the member's size field, as stored
  std::uint64_t MemberAt() const { return offset + 4; }
  std::uint64_t End() const { return offset + 4 + length; }
};

struct Library {
  LibraryFile file;
  std::string libraryName;  // of the index lines; the file's name when there is none
  std::string copyright;    // the stored bytes, mark included
  std::uint32_t indexOffset = 0;
  std::vector<Block> blocks;  // the symbols' blocks in file order, the index's not included
  std::optional<Block> indexBlock;
  std::vector<IndexSymbol> symbols;  // in index order, each with the block it names
  std::vector<IndexAlias> aliases;
  std::vector<Problem> problems;  // in the order of the file

  bool Sound() const { return !HasProblems(problems); }
};

// Failure (EFOpenError, EReadError) only when the file cannot be opened or read.
Library ReadLibrary(const std::string& pathText, const ReadOptions& options = {});
Library ReadLibrary(LibraryFile file, const ReadOptions& options = {});

// The library's name as its file name gives it: "lib" for "out/lib.zavlibsvg".
std::string LibraryNameFromPath(const std::string& pathText);

}  // namespace zav::reader
