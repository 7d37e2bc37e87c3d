#include "reader/library_reader.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "format/library_format.h"
#include "reader/byte_fields.h"
#include "reader/copyright_text.h"
#include "reader/member_reader.h"

namespace zav::reader {
namespace {

constexpr std::uint64_t kHeaderBytes = format::kCopyrightTextAt;  // header and copyright length
constexpr std::string_view kExtension = ".zavlibsvg";

// Small fields through a window of the file, so that walking thousands of blocks
// costs a read per window, not per field.
class FieldReader {
 public:
  explicit FieldReader(const LibraryFile& file) : file_(file) {}

  // The caller has checked that the field lies inside the file.
  std::uint32_t LE32(std::uint64_t at) {
    std::array<std::uint8_t, 4> bytes{};
    Read(at, bytes);
    return reader::LE32(bytes.data());
  }

  void Read(std::uint64_t at, std::span<std::uint8_t> into) {
    if (at < windowAt_ || at + into.size() > windowAt_ + windowBytes_) {
      windowAt_ = at;
      windowBytes_ = file_.ReadAt(at, window_);
      if (windowBytes_ < into.size()) {
        // The file shrank after it was measured: the field reads as zeros, and every
        // check made from it is made against the size measured at opening.
        std::fill(into.begin(), into.end(), 0);
        return;
      }
    }
    std::copy_n(window_.begin() + static_cast<std::ptrdiff_t>(at - windowAt_), into.size(), into.begin());
  }

 private:
  const LibraryFile& file_;
  std::array<std::uint8_t, 64 * 1024> window_{};
  std::uint64_t windowAt_ = 0;
  std::size_t windowBytes_ = 0;
};

std::string BlockWhere(std::uint64_t offset) { return "block at " + std::to_string(offset); }

class Decoder {
 public:
  Decoder(Library& library, const ReadOptions& options)
      : lib_(library), fields_(library.file), size_(library.file.Size()), options_(options) {}

  void Run() {
    if (!Header()) return;
    const std::uint64_t blocksAt = format::kCopyrightTextAt + copyrightBytes_;
    const bool trailer = HasTrailer();
    bool indexFound = IndexBlock(blocksAt, trailer);
    if (!trailer) Add("trailer", "the file does not end in \"zav\"");
    std::uint64_t blocksEnd = indexFound ? lib_.indexOffset : (trailer ? size_ - 3 : size_);
    if (blocksAt > blocksEnd) return;
    const bool intact = WalkChain(blocksAt, blocksEnd);
    if (!indexFound && intact && trailer && !chain_.empty()) {
      // The blocks run whole up to the trailer: the last of them is the index that the
      // header's offset fails to name.
      lib_.indexBlock = chain_.back();
      chain_.pop_back();
      blocksEnd = lib_.indexBlock->offset;
      Add("index", "read from the last block, at " + std::to_string(blocksEnd) +
                       ", which the header's index offset should name");
      indexFound = true;
    }
    if (indexFound) ReadIndex();
    if (intact) {
      lib_.blocks = chain_;
    } else if (indexFound && !lib_.symbols.empty()) {
      BlocksFromIndex(blocksAt, blocksEnd);
    } else {
      lib_.blocks = chain_;
      Add(BlockWhere(brokenAt_), brokenWhat_);
    }
    for (Block& block : lib_.blocks) block.contentSize = ContentSizeOf(block);
    if (lib_.indexBlock) lib_.indexBlock->contentSize = ContentSizeOf(*lib_.indexBlock);
    ConnectSymbols(blocksAt, blocksEnd);
  }

 private:
  void Add(std::string where, std::string what, Severity severity = Severity::Problem) {
    lib_.problems.push_back({severity, std::move(where), std::move(what)});
  }

  bool Header() {
    if (size_ == 0) {
      Add("file", "the file is empty");
      return false;
    }
    if (size_ < kHeaderBytes) {
      Add("file", std::to_string(size_) + " bytes, too few for the header and the copyright length (29)");
      return false;
    }
    std::array<std::uint8_t, kHeaderBytes> header{};
    fields_.Read(0, header);
    const std::span<const std::uint8_t> lead(header.data(), format::kLeadBytes.size());
    const std::string_view magic(reinterpret_cast<const char*>(header.data() + format::kMagicAt), format::kMagic.size());
    const bool leadOk = std::equal(lead.begin(), lead.end(), format::kLeadBytes.begin());
    if (!leadOk && magic != format::kMagic) {
      Add("header", "not a symbol library file: it does not start with 00 0B 02 02 \"zavsymlibsvg\"");
      return false;
    }
    if (!leadOk) Add("header", "the lead bytes are " + Hex(lead) + ", not 00 0B 02 02");
    if (magic != format::kMagic) Add("header", "the magic at offset 4 is not \"zavsymlibsvg\"");
    const std::span<const std::uint8_t> zero(header.data() + format::kZeroFieldAt, 4);
    if (std::any_of(zero.begin(), zero.end(), [](std::uint8_t b) { return b != 0; })) {
      Add("header", "bytes 16 to 19 are " + Hex(zero) + ", not 00 00 00 00");
    }
    if (header[format::kFfByteAt] != format::kFfByte) {
      Add("header", "byte 24 is " + Hex(std::span(header.data() + format::kFfByteAt, 1)) + ", not FF");
    }
    lib_.indexOffset = fields_.LE32(format::kIndexOffsetAt);
    copyrightBytes_ = fields_.LE32(format::kCopyrightLengthAt);
    if (format::kCopyrightTextAt + copyrightBytes_ > size_) {
      Add("copyright", "its length " + std::to_string(copyrightBytes_) + " runs past the end of the file (" +
                           std::to_string(size_) + " bytes)");
      return false;
    }
    if (copyrightBytes_ > options_.maxContentBytes) {
      Add("copyright", "its length " + std::to_string(copyrightBytes_) + " passes the limit of " +
                           std::to_string(options_.maxContentBytes) + " bytes (--max-symbol-size)");
      return true;
    }
    lib_.copyright.resize(copyrightBytes_);
    lib_.file.ReadAt(format::kCopyrightTextAt,
                     std::span(reinterpret_cast<std::uint8_t*>(lib_.copyright.data()), lib_.copyright.size()));
    if (const auto fault = CopyrightFault(lib_.copyright)) Add("copyright", *fault);
    return true;
  }

  bool HasTrailer() {
    std::array<std::uint8_t, 3> last{};
    if (size_ >= kHeaderBytes + last.size()) fields_.Read(size_ - last.size(), last);
    return std::string_view(reinterpret_cast<const char*>(last.data()), last.size()) == format::kTrailer;
  }

  bool IndexBlock(std::uint64_t blocksAt, bool trailer) {
    const std::uint64_t at = lib_.indexOffset;
    if (at == format::kUnsetIndexOffset) {
      Add("header", "the index offset is FF FF FF FF, the placeholder of a run that never finished");
      return false;
    }
    if (at < blocksAt) {
      Add("header", "the index offset " + std::to_string(at) + " lies inside the copyright block, which ends at " +
                        std::to_string(blocksAt));
      return false;
    }
    if (at + 4 > size_) {
      Add("header", "the index offset " + std::to_string(at) + " lies past the end of the file (" +
                        std::to_string(size_) + " bytes)");
      return false;
    }
    const Block block{at, fields_.LE32(at), 0};
    if (block.End() > size_) {
      Add("index", "its length " + std::to_string(block.length) + " runs past the end of the file (" +
                       std::to_string(size_) + " bytes)");
      return false;
    }
    if (trailer && block.End() > size_ - 3) {
      Add("index", "its length " + std::to_string(block.length) + " runs into the trailer");
    } else if (trailer && block.End() < size_ - 3) {
      Add("trailer", std::to_string(size_ - 3 - block.End()) + " bytes lie between the index block and the trailer");
    }
    lib_.indexBlock = block;
    return true;
  }

  // The blocks one after another from the end of the copyright block; true when they
  // end exactly at `end`.
  bool WalkChain(std::uint64_t at, std::uint64_t end) {
    while (at < end) {
      if (at + 4 > end) {
        brokenAt_ = at;
        brokenWhat_ = "its length field runs past the " + EndName(end);
        return false;
      }
      const Block block{at, fields_.LE32(at), 0};
      if (block.End() > end) {
        brokenAt_ = at;
        brokenWhat_ = "its length " + std::to_string(block.length) + " runs past the " + EndName(end);
        return false;
      }
      chain_.push_back(block);
      at = block.End();
    }
    return true;
  }

  std::string EndName(std::uint64_t end) const {
    return lib_.indexBlock && end == lib_.indexBlock->offset ? "index block at " + std::to_string(end)
                                                      : "end of the blocks at " + std::to_string(end);
  }

  void ReadIndex() {
    std::string text;
    try {
      MemberReader member;
      member.Start(lib_.file, lib_.indexBlock->MemberAt(), lib_.indexBlock->length, options_.maxContentBytes);
      for (auto piece = member.Next(); !piece.empty(); piece = member.Next()) {
        text.append(reinterpret_cast<const char*>(piece.data()), piece.size());
      }
    } catch (const DamagedData& damage) {
      Add("index block at " + std::to_string(lib_.indexBlock->offset), damage.what());
      return;
    }
    std::set<std::uint64_t> starts;
    for (const Block& block : chain_) starts.insert(block.offset);
    ParsedIndex parsed = ParseIndex(text, LibraryNameFromPath(lib_.file.PathText()),
                                    [&starts](std::int64_t offset) { return starts.count(offset) != 0; });
    indexRead_ = true;
    lib_.symbols = std::move(parsed.symbols);
    lib_.aliases = std::move(parsed.aliases);
    indexProblems_ = std::move(parsed.problems);
  }

  // The chain broke: the index lines tell where the blocks start, as the toolkit finds
  // them, and every gap or overlap between those starts is told.
  void BlocksFromIndex(std::uint64_t blocksAt, std::uint64_t blocksEnd) {
    std::set<std::uint64_t> starts{blocksAt};
    for (const IndexSymbol& symbol : lib_.symbols) {
      if (symbol.offset >= static_cast<std::int64_t>(blocksAt) && symbol.offset < static_cast<std::int64_t>(blocksEnd)) {
        starts.insert(static_cast<std::uint64_t>(symbol.offset));
      }
    }
    for (auto it = starts.begin(); it != starts.end(); ++it) {
      const std::uint64_t at = *it;
      const auto next = std::next(it);
      const std::uint64_t limit = next == starts.end() ? blocksEnd : *next;
      if (at + 4 > blocksEnd) {
        Add(BlockWhere(at), "its length field runs past the " + EndName(blocksEnd));
        continue;
      }
      const Block block{at, fields_.LE32(at), 0};
      if (block.End() > limit) {
        Add(BlockWhere(at), next == starts.end()
                                ? "its length " + std::to_string(block.length) + " runs past the " + EndName(blocksEnd)
                                : "its length " + std::to_string(block.length) + " runs " +
                                      std::to_string(block.End() - limit) + " bytes into the block at " +
                                      std::to_string(limit));
      } else if (block.End() < limit) {
        Add(BlockWhere(at), std::to_string(limit - block.End()) + " bytes after it, up to the " +
                                (next == starts.end() ? EndName(blocksEnd) : BlockWhere(limit)) +
                                ", belong to no block");
      }
      if (block.End() <= size_) lib_.blocks.push_back(block);
    }
  }

  std::uint32_t ContentSizeOf(const Block& block) {
    if (block.length < format::kGzipTrailerBytes || block.End() > size_) return 0;
    return fields_.LE32(block.End() - 4);
  }

  void ConnectSymbols(std::uint64_t blocksAt, std::uint64_t blocksEnd) {
    std::map<std::uint64_t, std::size_t> blockAt;
    for (std::size_t i = 0; i < lib_.blocks.size(); ++i) blockAt.emplace(lib_.blocks[i].offset, i);
    std::map<std::size_t, std::size_t> firstSymbolOf;  // block -> symbol
    for (std::size_t i = 0; i < lib_.symbols.size(); ++i) {
      IndexSymbol& symbol = lib_.symbols[i];
      const std::string where = "index line " + std::to_string(symbol.line);
      if (symbol.offset < static_cast<std::int64_t>(blocksAt) || symbol.offset >= static_cast<std::int64_t>(blocksEnd)) {
        indexProblems_.push_back({Severity::Problem, where,
                                  "the offset " + std::to_string(symbol.offset) + " lies outside the blocks (" +
                                      std::to_string(blocksAt) + " to " + std::to_string(blocksEnd) + ")"});
        continue;
      }
      const auto found = blockAt.find(static_cast<std::uint64_t>(symbol.offset));
      if (found == blockAt.end()) {
        indexProblems_.push_back({Severity::Problem, where,
                                  "the offset " + std::to_string(symbol.offset) + " is not the start of a block"});
        continue;
      }
      symbol.block = found->second;
      const auto [first, added] = firstSymbolOf.emplace(found->second, i);
      if (!added) {
        indexProblems_.push_back({Severity::Warning, where,
                                  "the block at " + std::to_string(symbol.offset) + " is the block of \"" +
                                      lib_.symbols[first->second].Key() + "\" (line " +
                                      std::to_string(lib_.symbols[first->second].line) + ") too"});
      }
    }
    if (indexRead_) {
      for (std::size_t i = 0; i < lib_.blocks.size(); ++i) {
        if (firstSymbolOf.count(i) == 0) Add(BlockWhere(lib_.blocks[i].offset), "no index line names this block", Severity::Warning);
      }
    }
    std::stable_sort(indexProblems_.begin(), indexProblems_.end(), [](const Problem& a, const Problem& b) {
      return LineOf(a.where) < LineOf(b.where);
    });
    lib_.problems.insert(lib_.problems.end(), indexProblems_.begin(), indexProblems_.end());
    lib_.libraryName = lib_.symbols.empty() ? LibraryNameFromPath(lib_.file.PathText()) : lib_.symbols.front().libraryName;
  }

  static std::size_t LineOf(const std::string& where) {
    constexpr std::string_view kLine = "index line ";
    return where.starts_with(kLine) ? std::stoul(where.substr(kLine.size())) : 0;
  }

  Library& lib_;
  FieldReader fields_;
  const std::uint64_t size_;
  const ReadOptions& options_;
  std::uint32_t copyrightBytes_ = 0;
  std::vector<Block> chain_;
  std::uint64_t brokenAt_ = 0;
  std::string brokenWhat_;
  std::vector<Problem> indexProblems_;
  bool indexRead_ = false;  // the index block inflated whole
};

}  // namespace

std::string LibraryNameFromPath(const std::string& pathText) {
  const std::size_t slash = pathText.rfind('/');
  std::string name = slash == std::string::npos ? pathText : pathText.substr(slash + 1);
  if (name.size() > kExtension.size() && name.ends_with(kExtension)) name.resize(name.size() - kExtension.size());
  return name;
}

Library ReadLibrary(const std::string& pathText, const ReadOptions& options) {
  return ReadLibrary(LibraryFile::Open(pathText), options);
}

Library ReadLibrary(LibraryFile file, const ReadOptions& options) {
  Library library{std::move(file), {}, {}, 0, {}, std::nullopt, {}, {}, {}};
  Decoder(library, options).Run();
  // A file too damaged to reach its index is still named after its file.
  if (library.symbols.empty()) library.libraryName = LibraryNameFromPath(library.file.PathText());
  return library;
}

}  // namespace zav::reader
