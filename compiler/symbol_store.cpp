#include "compiler/symbol_store.h"

#include <cerrno>
#include <optional>
#include <span>

#include "platform/failure.h"
#include "compiler/file_io.h"
#include "compiler/gunzip.h"
#include "compiler/pending_file.h"
#include "platform/sys_error.h"

namespace zav {
namespace {


// A failed copy is told with the system's text alone.
[[noreturn]] void ThrowCopyFailure(int errorNumber) {
  throw Failure(ErrorKind::General, SystemErrorText(errorNumber));
}

}  // namespace

std::int32_t SymbolStore::StoreSvg(const std::string& sourcePath, const std::string& sidePath) {
  CompressSvg(sourcePath, deflater_, source_, member_);
  PendingFile side = PendingFile::InPlace(sidePath);
  return StoreSvgMember(member_, side);
}

void SymbolStore::CompressSvg(const std::string& sourcePath, Deflater& deflater,
                              std::vector<std::uint8_t>& source, std::vector<std::uint8_t>& member) {
  ReadWholeFile(sourcePath, source);
  deflater.CompressMember(source, member);
}

std::int32_t SymbolStore::StoreSvgMember(std::span<const std::uint8_t> member, PendingFile& side) {
  WriteAll(side.fd(), member);
  side.Commit(false);
  return library_.AppendBlock(member);
}

std::int32_t SymbolStore::StoreSvgz(const std::string& sourcePath, const std::string& sidePath) {
  if (const int error = TryReadWholeFile(sourcePath, source_); error != 0) {
    ThrowCopyFailure(error);
  }
  // Checked before the copy is made, so that a bad file leaves nothing behind.
  GunzipAll(source_, content_);
  Compress(content_);

  int error = 0;
  std::optional<PendingFile> copy = PendingFile::TryCreateNew(sidePath, error);
  if (!copy) ThrowCopyFailure(error);
  if (const int writeError = TryWriteAll(copy->fd(), source_); writeError != 0) {
    ThrowCopyFailure(writeError);
  }
  try {
    copy->Commit(false);
  } catch (const Failure&) {
    ThrowCopyFailure(EIO);
  }
  return library_.AppendBlock(member_);
}

void SymbolStore::StoreIndex(IndexStream& index, const std::string& txtPath, const std::string& txtzPath) {
  PendingFile text = PendingFile::InPlace(txtPath);
  for (const auto piece : index.FilePieces()) WriteAll(text.fd(), piece);
  text.Commit(false);
  member_ = index.TakeMember();
  WriteSideFile(txtzPath);
  library_.AppendBlock(member_);
}

void SymbolStore::Compress(std::span<const std::uint8_t> content) {
  deflater_.CompressMember(content, member_);
}

void SymbolStore::WriteSideFile(const std::string& sidePath) {
  PendingFile side = PendingFile::InPlace(sidePath);
  WriteAll(side.fd(), member_);
  side.Commit(false);
}

}  // namespace zav
