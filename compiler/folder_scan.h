// The walk of the source folder: depth first, every subfolder's subtree before the
// folder's own descriptor files, each in listing order. Every described symbol is
// stored and gets its index line (and alias line); the index is stored last.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "compiler/deflater.h"
#include "compiler/descriptor_reader.h"
#include "compiler/index_stream.h"
#include "compiler/library_writer.h"
#include "compiler/ordered_pipeline.h"
#include "compiler/symbol_store.h"
#include "compiler/unnamed_file.h"

namespace zav {

struct RunNames {
  std::string libraryName;
  std::string sourceFolder;
  std::string outputFolder;
};

enum class SymbolKind { Svg, Svgz, Other };

// What a worker finds out about one descriptor file ahead of the symbol's turn; the
// failures wait for that turn, so that they are told in scan order.
struct DescribedSymbol {
  std::string descriptorPath;
  std::string symbolPath;
  Descriptor descriptor;
  SymbolKind kind = SymbolKind::Other;
  bool exists = false;                // looked at for ".svg" symbols only
  std::vector<std::uint8_t> member;  // the drawing's gzip member, for ".svg"
  std::optional<UnnamedFile> side;    // the member written ahead, where that could be done
  std::exception_ptr descriptorFailure;
  std::exception_ptr storeFailure;    // reading or compressing the drawing
};

// Kept by each worker from symbol to symbol.
struct SymbolWorker {
  Deflater deflater;
  std::vector<std::uint8_t> source;
  std::vector<std::uint8_t> member;  // room for the largest member yet, kept between symbols
};

using SymbolPipeline = OrderedPipeline<DescribedSymbol, SymbolWorker>;

// One scan's shared state, across every folder level.
struct ScanContext {
  const RunNames& names;
  SymbolStore& store;
  SymbolPipeline& pipeline;  // reads and compresses ahead of the scan's order
  IndexStream& index;
  std::int64_t blockOffset = -1;  // of the block appended last
};

void ScanFolder(const std::string& folder, ScanContext& context);

// The whole scan, then "LIBSVG.txt", "LIBSVG.txtz" and the index block; sets the
// library's index offset. `workers` threads read and compress symbols while the scan
// goes on, and this thread with them between its writes (none: all on this thread, in
// turn); the output is the same for any number.
void WriteIndexBlock(const RunNames& names, LibraryWriter& library, unsigned workers = 0);

}  // namespace zav
