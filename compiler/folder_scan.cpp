#include "compiler/folder_scan.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <exception>
#include <new>
#include <vector>

#include "compiler/checked_io.h"
#include "compiler/deflater.h"
#include "compiler/descriptor_reader.h"
#include "compiler/index_stream.h"
#include "compiler/index_text.h"
#include "compiler/library_writer.h"
#include "compiler/ordered_pipeline.h"
#include "compiler/progress_channel.h"
#include "compiler/symbol_store.h"
#include "platform/dir_listing.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"
#include "platform/sys_error.h"
#include "platform/unnamed_file.h"

namespace zav {
namespace {

// Limits of the listing functions the symbol sets were made with, in characters.
constexpr std::size_t kFolderPathLimitChars = 248;
constexpr std::size_t kDescriptorPathLimitChars = 260;

// Tasks in flight per thread: enough to keep the threads busy while the main thread
// names side files, few enough that memory stays a few members per thread, whatever
// the tree (a task waiting in the queue holds only its descriptor's path).
constexpr std::size_t kWindowPerThread = 16;

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
  UnnamedFile side;                   // made ahead, where that could be done; still empty
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
  ProgressChannel* progress;
  std::int64_t blockOffset = -1;  // of the block appended last
};

[[noreturn]] void ThrowPathTooLong() {
  throw Failure(ErrorKind::PathTooLong, std::string(kPathTooLongMessage));
}

// Entries of a folder to be listed, with the listing's own failures.
std::vector<DirEntry> ListChecked(const std::string& folder) {
  if (LengthChars(folder) >= kFolderPathLimitChars) ThrowPathTooLong();
  std::vector<DirEntry> entries;
  switch (ListFolder(folder, entries)) {
    case ListResult::Listed:
      break;
    case ListResult::NotFound:
      throw Failure(ErrorKind::DirectoryNotFound, std::string(kPathNotFoundMessage));
    case ListResult::Unreadable:
      // Linux resolves at most 40 links in one path, fewer than a link loop takes to
      // reach the length limit; such a loop ends as the limit would end it.
      if (struct stat info; ::stat(folder.c_str(), &info) != 0 && errno == ELOOP) ThrowPathTooLong();
      entries.clear();  // a folder without rights counts as empty
      break;
  }
  return entries;
}

// "*.inf", ASCII letters in any case.
bool IsDescriptorName(const std::string& name) {
  if (name.size() < 4) return false;
  const std::string_view tail = std::string_view(name).substr(name.size() - 4);
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return tail[0] == '.' && lower(tail[1]) == 'i' && lower(tail[2]) == 'n' && lower(tail[3]) == 'f';
}

SymbolKind KindOf(const std::string& extension) {
  if (extension == ".svg") return SymbolKind::Svg;
  if (extension == ".svgz") return SymbolKind::Svgz;
  return SymbolKind::Other;
}

// Every step of a symbol that looks at nothing the run itself writes: the descriptor,
// and for a drawing its existence, its bytes, their member and the side file still
// without a name. A failure is kept, not thrown, and shows only in the symbol's turn.
// An ".svgz" symbol may be a side file of an earlier symbol (an output folder inside
// the source tree), so everything about it waits for its turn.
DescribedSymbol Describe(std::string descriptorPath, const std::string& outputFolder, SymbolWorker& worker) {
  DescribedSymbol symbol;
  symbol.descriptorPath = std::move(descriptorPath);
  symbol.symbolPath = symbol.descriptorPath.substr(0, symbol.descriptorPath.size() - 4);
  try {
    symbol.descriptor = ReadDescriptor(symbol.descriptorPath);
  } catch (...) {
    symbol.descriptorFailure = std::current_exception();
    return symbol;
  }
  const std::string fileName = FileNameOfPath(symbol.symbolPath);
  const std::size_t dot = fileName.rfind('.');
  symbol.kind = KindOf(dot == std::string::npos ? "" : fileName.substr(dot));
  if (symbol.kind != SymbolKind::Svg) return symbol;
  // The read answers whether the drawing exists (a folder does not count); only when it
  // fails is the question asked again, and the read repeated for its failure's words.
  const int error = TryReadWholeFile(symbol.symbolPath, worker.source);
  symbol.exists = error == 0 || (error != EISDIR && IsExistingFile(symbol.symbolPath));
  if (!symbol.exists) return symbol;
  try {
    if (error == 0) {
      worker.deflater.CompressMember(worker.source, worker.member);
    } else {
      SymbolStore::CompressSvg(symbol.symbolPath, worker.deflater, worker.source, worker.member);
    }
    // Copied out at its own size: the worker's buffer has room for the bound of the
    // largest input, and a result may wait a while for its turn.
    symbol.member.assign(worker.member.begin(), worker.member.end());
  } catch (...) {
    symbol.storeFailure = std::current_exception();
    return symbol;
  }
  // Only the file is made ahead (making one is what costs); its bytes wait for the
  // symbol's turn. Where no unnamed file can be had (a file system without them), the
  // side stays empty and the turn makes the file the plain way, which words any failure.
  static_cast<void>(symbol.side.Create(outputFolder));
  return symbol;
}

// The symbol's turn, in scan order: the checks against what earlier symbols wrote, the
// side file and the block, the index lines.
void StoreDescribedSymbol(DescribedSymbol& symbol, ScanContext& context) {
  if (symbol.descriptorFailure) std::rethrow_exception(symbol.descriptorFailure);
  const std::string& symbolPath = symbol.symbolPath;
  const bool exists = symbol.kind == SymbolKind::Svg ? symbol.exists : IsExistingFile(symbolPath);
  if (!exists) throw Failure(ErrorKind::General, "Not matching file for " + symbol.descriptorPath);
  const std::string fileName = FileNameOfPath(symbolPath);
  const std::size_t dot = fileName.rfind('.');
  const std::string symbolName = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  const std::string sidePath = JoinPathText(context.names.outputFolder, symbolName + ".svgz");
  if (symbol.kind == SymbolKind::Other) {
    throw Failure(ErrorKind::General, "Unexpected file format: " + symbolPath);
  }
  // CR or LF in the name would add lines to the index (a fake alias among them).
  if (HasControlCharacter(symbolName)) {
    throw Failure(ErrorKind::General, "Control character in symbol name: " + symbolPath);
  }
  // The side file made ahead gets the member and its name, which answers the existence
  // check too; failing that, a new file made at once does the same. Anything else takes
  // the long way, which words the failure. The member is written only now, in the
  // symbol's turn: the disk fills in scan order whatever the number of threads, so a
  // full disk stops the run at the symbol where a run on one thread stops.
  bool named = false;
  if (symbol.side) {
    int error = symbol.side.Write(symbol.member);
    if (error == 0) error = symbol.side.NameAndClose(sidePath);
    symbol.side = UnnamedFile();
    named = error == 0;
    if (error == EEXIST && IsTakenByNonFolder(sidePath)) {
      throw Failure(ErrorKind::General, "File already exitst: " + sidePath);
    }
  }
  RunFile side;
  const bool created =
      symbol.kind == SymbolKind::Svg && !named && TryCreateSideFile(sidePath, kNewSideFile, side) == 0;
  // A link at the name counts as a file there: nothing is written through it.
  if (!named && !created && IsTakenByNonFolder(sidePath)) {
    throw Failure(ErrorKind::General, "File already exitst: " + sidePath);
  }

  try {
    if (symbol.kind == SymbolKind::Svg) {
      if (symbol.storeFailure) std::rethrow_exception(symbol.storeFailure);
      if (named) {
        context.blockOffset = context.store.AppendSvgBlock(symbol.member);
      } else {
        if (!created) side = CreateSideFile(sidePath);
        context.blockOffset = context.store.StoreSvgMember(symbol.member, side);
      }
    } else {
      context.blockOffset = context.store.StoreSvgz(symbolPath, sidePath);
    }
  } catch (const Failure& failure) {
    throw Failure(ErrorKind::General, failure.message + " " + fileName);
  } catch (const std::bad_alloc&) {
    throw Failure(ErrorKind::General, "Out of memory " + fileName);
  }

  const RunNames& names = context.names;
  context.index.AppendLine(
      IndexLine(names.libraryName, symbolName, context.blockOffset, symbol.descriptor.caption,
                symbol.descriptor.category));
  if (!symbol.descriptor.uniqueId.empty()) {
    context.index.AppendLine(AliasLine(symbol.descriptor.uniqueId, names.libraryName, symbolName));
  }
  if (context.progress != nullptr) context.progress->SymbolStored();
}

void ScanFolder(const std::string& folder, ScanContext& context) {
  const std::vector<DirEntry> entries = ListChecked(folder);
  for (const DirEntry& entry : entries) {
    if (entry.isFolder) ScanFolder(JoinScanPathText(folder, entry.name), context);
  }
  // The descriptor files are found by a listing of their own, which measures the
  // folder in its absolute form; the entries of the first listing serve for it.
  if (LengthChars(AbsolutePathText(folder)) >= kFolderPathLimitChars) ThrowPathTooLong();
  std::vector<std::string> descriptors;
  for (const DirEntry& entry : entries) {
    if (entry.isFolder || !IsDescriptorName(entry.name)) continue;
    std::string path = JoinScanPathText(folder, entry.name);
    if (LengthChars(path) >= kDescriptorPathLimitChars) ThrowPathTooLong();
    descriptors.push_back(std::move(path));
  }
  for (std::string& descriptorPath : descriptors) {
    context.pipeline.Push([path = std::move(descriptorPath), &output = context.names.outputFolder](
                              SymbolWorker& worker) mutable { return Describe(std::move(path), output, worker); });
  }
}

}  // namespace

std::uint64_t CountDescriptorFiles(const std::string& sourceFolder) {
  if (LengthChars(sourceFolder) >= kFolderPathLimitChars) return 0;  // a link loop ends here too
  std::vector<DirEntry> entries;
  if (ListFolder(sourceFolder, entries) != ListResult::Listed) return 0;
  std::uint64_t count = 0;
  for (const DirEntry& entry : entries) {
    if (entry.isFolder) {
      count += CountDescriptorFiles(JoinScanPathText(sourceFolder, entry.name));
    } else if (IsDescriptorName(entry.name)) {
      ++count;
    }
  }
  return count;
}

void WriteIndexBlock(const RunNames& names, LibraryWriter& library, unsigned workers, ProgressChannel* progress) {
  SymbolStore store(library);
  ScanContext* scan = nullptr;
  SymbolPipeline pipeline(workers, kWindowPerThread * (workers + 1),
                          [&scan](DescribedSymbol&& symbol) { StoreDescribedSymbol(symbol, *scan); });
  // With workers, the index is compressed as it grows, by a thread of its own.
  IndexStream index(workers > 0);
  ScanContext context{names, store, pipeline, index, progress, -1};
  scan = &context;
  try {
    ScanFolder(names.sourceFolder, context);
  } catch (...) {
    // The scan runs ahead of the symbols' turns: the symbols before the point where it
    // failed are stored first, and one of them may fail first.
    pipeline.Drain();
    throw;
  }
  pipeline.Drain();
  if (progress != nullptr) progress->Finish();
  library.MarkIndexOffset();
  store.StoreIndex(index, JoinPathText(names.outputFolder, "LIBSVG.txt"),
                   JoinPathText(names.outputFolder, "LIBSVG.txtz"));
}

}  // namespace zav
