#include "compiler/symbol_store.h"

#include <cerrno>
#include <span>

#include "compiler/checked_io.h"
#include "compiler/gunzip.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/sys_error.h"

namespace zav {
namespace {

// A failed copy is told with the system's text alone.
[[noreturn]] void ThrowCopyFailure(int errorNumber) {
  throw Failure(ErrorKind::General, SystemErrorText(errorNumber));
}

}  // namespace

void SymbolStore::CompressSvg(const std::string& sourcePath, Deflater& deflater,
                              std::vector<std::uint8_t>& source, std::vector<std::uint8_t>& member) {
  ReadWholeFile(sourcePath, source);
  deflater.CompressMember(source, member);
}

std::int32_t SymbolStore::StoreSvgMember(std::span<const std::uint8_t> member, RunFile& side) {
  WriteAll(side.fd(), member);
  CommitFile(side, false);
  return library_.AppendBlock(member);
}

std::int32_t SymbolStore::StoreSvgz(const std::string& sourcePath, const std::string& sidePath) {
  if (const int error = TryReadWholeFile(sourcePath, source_); error != 0) {
    ThrowCopyFailure(error);
  }
  // Checked before the copy is made, so that a bad file leaves nothing behind. The
  // content goes to the compressor as it is inflated, never whole: memory stays the
  // file and its member, however far it inflates.
  deflater_.BeginMember(member_, source_.size());
  GunzipInPieces(source_, content_, [this](std::span<const std::uint8_t> piece) {
    deflater_.FeedMember(piece, member_);
  });
  deflater_.FinishMember(member_);

  RunFile copy;
  if (const int error = TryCreateSideFile(sidePath, kNewSideFile, copy); error != 0) ThrowCopyFailure(error);
  if (const int error = TryWriteAll(copy.fd(), source_); error != 0) ThrowCopyFailure(error);
  // A late write error shows at the close, with the errno of the write it stands for.
  if (const int error = TryCommitFile(copy); error != 0) ThrowCopyFailure(error);
  return library_.AppendBlock(member_);
}

void SymbolStore::StoreIndex(IndexStream& index, const std::string& txtPath, const std::string& txtzPath) {
  RunFile text = CreateSideFile(txtPath);
  for (const auto piece : index.FilePieces()) WriteAll(text.fd(), piece);
  CommitFile(text, false);
  member_ = index.TakeMember();
  WriteSideFile(txtzPath);
  library_.AppendBlock(member_);
}

void SymbolStore::WriteSideFile(const std::string& sidePath) {
  RunFile side = CreateSideFile(sidePath);
  WriteAll(side.fd(), member_);
  CommitFile(side, false);
}

}  // namespace zav
