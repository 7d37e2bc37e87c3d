// Any bytes as a library file: the reader, every block's member and XML check (as
// verify makes them), and list's two outputs must neither crash nor allocate without
// bound. The input goes to a memory file, which the reader opens like any other.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "inspect/inspect.h"
#include "inspect/preview_page.h"
#include "inspect/svg_check.h"
#include "reader/copyright_text.h"
#include "reader/library_reader.h"
#include "reader/member_reader.h"

namespace {

constexpr std::uint64_t kMaxContentBytes = 1 << 20;  // bombs meet the limit in a moment

void CheckBlocks(const zav::reader::Library& library) {
  zav::reader::MemberReader member;
  zav::inspect::SvgCheck svg;
  for (const zav::reader::Block& block : library.blocks) {
    try {
      member.Start(library.file, block.MemberAt(), block.length, kMaxContentBytes);
      svg.Start();
      for (auto piece = member.Next(); !piece.empty(); piece = member.Next()) svg.Feed(piece);
      svg.Finish();
    } catch (const zav::reader::DamagedData&) {
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int fd = memfd_create("library", MFD_CLOEXEC);
  if (fd < 0) return 0;
  zav::UniqueFd owner(fd);
  for (std::size_t done = 0; done < size;) {
    const ssize_t put = write(fd, data + done, size - done);
    if (put <= 0) return 0;
    done += static_cast<std::size_t>(put);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  zav::reader::ReadOptions options;
  options.maxContentBytes = kMaxContentBytes;
  const zav::reader::Library library = zav::reader::ReadLibrary(path, options);
  CheckBlocks(library);
  (void)zav::reader::CopyrightText(library.copyright);

  std::ostringstream out, err;
  zav::inspect::RunInspect({"list", "--json", "--max-symbol-size", "1M", path}, out, err);
  zav::inspect::RunInspect({"list", "--max-symbol-size", "1M", path}, out, err);
  if (library.Sound()) {
    std::vector<zav::inspect::PreviewSymbol> symbols;
    for (const auto& symbol : library.symbols) symbols.push_back({symbol.name, symbol.caption, symbol.category, symbol.aliases, 0});
    zav::inspect::WritePreviewPage(out, library.libraryName, "", symbols,
                                   [](std::size_t, const std::function<void(std::span<const std::uint8_t>)>& sink) {
                                     const std::uint8_t bytes[] = {'<', 's', 'v', 'g', '/', '>'};
                                     sink(bytes);
                                   });
  }
  return 0;
}
