// zavinspect preview LIB OUT.html: the preview page of a sound library, written under a
// temporary name beside OUT.html and renamed over it only when whole.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

#include "inspect/commands.h"
#include "inspect/console_text.h"
#include "inspect/opened_library.h"
#include "inspect/preview_page.h"
#include "platform/failure.h"
#include "platform/sys_error.h"
#include "reader/copyright_text.h"
#include "reader/member_reader.h"

namespace zav::inspect {
namespace {

// The page under a temporary name; removed unless Commit() renamed it into place.
class PageFile {
 public:
  explicit PageFile(std::string finalPath) : finalPath_(std::move(finalPath)), tempPath_(finalPath_ + ".XXXXXX") {
    const int fd = ::mkstemp(tempPath_.data());
    if (fd < 0) throw Failure(ErrorKind::FileCreate, CannotCreateMessage(finalPath_, errno));
    // mkstemp makes the file for its owner alone; a page is as readable as any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    out_.open(tempPath_, std::ios::binary | std::ios::trunc);
    if (!out_) Fail(errno);
  }
  ~PageFile() {
    if (!committed_) ::unlink(tempPath_.c_str());
  }

  std::ostream& Stream() { return out_; }

  void Commit() {
    out_.close();
    if (!out_) Fail(EIO);
    if (::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) Fail(errno);
    committed_ = true;
  }

 private:
  [[noreturn]] void Fail(int error) { throw Failure(ErrorKind::Write, CannotCreateMessage(finalPath_, error)); }

  std::string finalPath_;
  std::string tempPath_;
  std::ofstream out_;
  bool committed_ = false;
};

}  // namespace

int RunPreview(const Command& command, std::ostream& out, std::ostream& err) {
  const std::string& path = command.operands[0];
  const reader::Library library = OpenSoundLibrary(path, command, err);
  std::vector<PreviewSymbol> symbols;
  symbols.reserve(library.symbols.size());
  for (const reader::IndexSymbol& symbol : library.symbols) {
    symbols.push_back({symbol.name, symbol.caption, symbol.category, symbol.aliases,
                       library.blocks[*symbol.block].contentSize});
  }
  const std::uint64_t maxContentBytes = ReadOptionsOf(command).maxContentBytes;
  reader::MemberReader member;
  std::size_t current = 0;  // the symbol being written, to name it when it is damaged
  PageFile page(command.operands[1]);
  try {
    WritePreviewPage(page.Stream(), library.libraryName, reader::CopyrightText(library.copyright), symbols,
                     [&](std::size_t i, const std::function<void(std::span<const std::uint8_t>)>& sink) {
                       current = i;
                       const reader::Block& block = library.blocks[*library.symbols[i].block];
                       member.Start(library.file, block.MemberAt(), block.length, maxContentBytes);
                       for (auto piece = member.Next(); !piece.empty(); piece = member.Next()) sink(piece);
                     });
  } catch (const reader::DamagedData& damage) {
    PrintProblem(err, path, {reader::Severity::Problem, BlockWhere(library, *library.symbols[current].block), damage.what()});
    err << "zavinspect: no page written\n";
    return 1;
  }
  page.Commit();
  out << "Wrote " << ConsoleText(command.operands[1]) << ": " << Counted(symbols.size(), "symbol") << '\n';
  return 0;
}

}  // namespace zav::inspect
