// zavinspect preview LIB OUT.html: the preview page of a sound library, written under a
// temporary name beside OUT.html and renamed over it only when whole.
#include <sys/stat.h>

#include <cerrno>
#include <streambuf>
#include <string_view>
#include <utility>
#include <vector>

#include "inspect/commands.h"
#include "inspect/console_text.h"
#include "inspect/opened_library.h"
#include "inspect/preview_page.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/pending_file.h"
#include "platform/sys_error.h"
#include "reader/copyright_text.h"
#include "reader/member_reader.h"

namespace zav::inspect {
namespace {

// The rename would put the page in the place of whatever stands at OUT.html: a device
// (/dev/null, for root), a FIFO or a socket is refused, and a folder, which the rename
// refuses only once the page is written, is refused before that work.
void RefuseAllButAFile(const std::string& pathText) {
  struct stat info;
  if (::stat(pathText.c_str(), &info) != 0 || S_ISREG(info.st_mode)) return;
  if (S_ISDIR(info.st_mode)) throw Failure(ErrorKind::FileCreate, CannotCreateMessage(pathText, EISDIR));
  throw Failure(ErrorKind::FileCreate, "Cannot create file \"" + AbsolutePathText(pathText) + "\". Not a regular file");
}

// The page as a stream into a pending file beside OUT.html, removed unless Commit()
// renamed it into place. The page writer does not stop for a failed write: the first
// one is kept and told at Commit().
class PageFile final : private std::streambuf {
 public:
  explicit PageFile(std::string finalPath) : finalPath_(std::move(finalPath)), buffer_(kBufferBytes), stream_(this) {
    RefuseAllButAFile(finalPath_);
    if (const int error = file_.CreateBeside(finalPath_, "zavinspect"); error != 0) {
      throw Failure(ErrorKind::FileCreate, CannotCreateMessage(finalPath_, error));
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
  }

  std::ostream& Stream() { return stream_; }

  void Commit() {
    if (Drain()) error_ = file_.Close();
    if (error_ == 0) error_ = file_.Commit();
    if (error_ != 0) throw Failure(ErrorKind::Write, CannotCreateMessage(finalPath_, error_));
  }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 16;

  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return Drain() ? 0 : -1; }

  // Writes what is buffered; false once any write failed.
  bool Drain() {
    const std::string_view buffered(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    if (error_ == 0) error_ = TryWriteAll(file_.fd(), buffered);
    return error_ == 0;
  }

  std::string finalPath_;
  PendingFile file_;
  std::vector<char> buffer_;
  int error_ = 0;  // of the first failed step
  std::ostream stream_;
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
