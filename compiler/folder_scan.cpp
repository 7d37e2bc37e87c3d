#include "folder_scan.h"

#include <sys/stat.h>

#include <cerrno>
#include <new>

#include "descriptor_reader.h"
#include "dir_listing.h"
#include "failure.h"
#include "index_text.h"
#include "path_text.h"
#include "sys_error.h"

namespace zav {
namespace {

// Limits of the listing functions the symbol sets were made with, in characters.
constexpr std::size_t kFolderPathLimitChars = 248;
constexpr std::size_t kDescriptorPathLimitChars = 260;

enum class SymbolKind { Svg, Svgz };

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

std::string FileNameOf(const std::string& pathText) {
  const std::size_t slash = pathText.rfind(kSeparator);
  return slash == std::string::npos ? pathText : pathText.substr(slash + 1);
}

void StoreDescribedSymbol(const std::string& descriptorPath, ScanContext& context) {
  const std::string symbolPath = descriptorPath.substr(0, descriptorPath.size() - 4);
  const Descriptor descriptor = ReadDescriptor(descriptorPath);
  if (!IsExistingFile(symbolPath)) {
    throw Failure(ErrorKind::General, "Not matching file for " + descriptorPath);
  }
  const std::string fileName = FileNameOf(symbolPath);
  const std::size_t dot = fileName.rfind('.');
  const std::string extension = dot == std::string::npos ? "" : fileName.substr(dot);
  const std::string symbolName = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  const std::string sidePath = JoinPathText(context.names.outputFolder, symbolName + ".svgz");

  SymbolKind kind;
  if (extension == ".svg") {
    kind = SymbolKind::Svg;
  } else if (extension == ".svgz") {
    kind = SymbolKind::Svgz;
  } else {
    throw Failure(ErrorKind::General, "Unexpected file format: " + symbolPath);
  }
  if (IsExistingFile(sidePath)) throw Failure(ErrorKind::General, "File already exitst: " + sidePath);

  try {
    context.blockOffset = kind == SymbolKind::Svg ? context.store.StoreSvg(symbolPath, sidePath)
                                                  : context.store.StoreSvgz(symbolPath, sidePath);
  } catch (const Failure& failure) {
    throw Failure(ErrorKind::General, failure.message + " " + fileName);
  } catch (const std::bad_alloc&) {
    throw Failure(ErrorKind::General, "Out of memory " + fileName);
  }

  const RunNames& names = context.names;
  context.index.push_back(
      IndexLine(names.libraryName, symbolName, context.blockOffset, descriptor.caption, descriptor.category));
  if (!descriptor.uniqueId.empty()) {
    context.index.push_back(AliasLine(descriptor.uniqueId, names.libraryName, symbolName));
  }
}

}  // namespace

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
  for (const std::string& descriptorPath : descriptors) StoreDescribedSymbol(descriptorPath, context);
}

void WriteIndexBlock(const RunNames& names, LibraryWriter& library) {
  SymbolStore store(library);
  ScanContext context{names, store, {}, -1};
  ScanFolder(names.sourceFolder, context);
  library.MarkIndexOffset();
  store.StoreIndex(IndexFileBytes(context.index), JoinPathText(names.outputFolder, "LIBSVG.txt"),
                   JoinPathText(names.outputFolder, "LIBSVG.txtz"));
}

}  // namespace zav
