// zavinspect diff OLD NEW: symbols added, removed and changed (content, caption,
// category, aliases), and a changed copyright or library name. Symbols are matched by
// name, a repeated name by its place among its namesakes. Offsets are not compared:
// every block after a change moves. Content is compared as content, not as stored
// bytes, so a library made with another zlib release is the same library.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "inspect/commands.h"
#include "inspect/console_text.h"
#include "inspect/opened_library.h"
#include "reader/byte_fields.h"
#include "reader/member_reader.h"

namespace zav::inspect {
namespace {

using reader::IndexSymbol;
using reader::Library;

std::string QuotedText(const std::string& text) { return Quoted(ConsoleText(text)); }

std::string AliasList(const std::vector<std::string>& aliases) {
  std::string text = "[";
  for (const std::string& alias : aliases) text += (text.size() > 1 ? ", " : "") + QuotedText(alias);
  return text + "]";
}

class ContentComparer {
 public:
  explicit ContentComparer(std::uint64_t maxContentBytes) : maxContentBytes_(maxContentBytes) {}

  // Both blocks are sound members of sound libraries; a damaged one is a failure here.
  bool Same(const Library& a, const reader::Block& blockA, const Library& b, const reader::Block& blockB) {
    if (blockA.contentSize != blockB.contentSize) return false;
    if (CrcOf(a, blockA) != CrcOf(b, blockB)) return false;
    left_.Start(a.file, blockA.MemberAt(), blockA.length, maxContentBytes_);
    right_.Start(b.file, blockB.MemberAt(), blockB.length, maxContentBytes_);
    std::span<const std::uint8_t> x = left_.Next();
    std::span<const std::uint8_t> y = right_.Next();
    while (!x.empty() && !y.empty()) {
      const std::size_t n = std::min(x.size(), y.size());
      if (!std::equal(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(n), y.begin())) return false;
      x = x.subspan(n);
      y = y.subspan(n);
      if (x.empty()) x = left_.Next();
      if (y.empty()) y = right_.Next();
    }
    return x.empty() && y.empty();
  }

 private:
  static std::uint32_t CrcOf(const Library& library, const reader::Block& block) {
    std::uint8_t crc[4] = {};
    library.file.ReadAt(block.End() - 8, crc);
    return reader::LE32(crc);
  }

  std::uint64_t maxContentBytes_;
  reader::MemberReader left_;
  reader::MemberReader right_;
};

// name -> the symbols of that name, in file order.
using Namesakes = std::map<std::string, std::vector<const IndexSymbol*>>;

Namesakes ByName(const Library& library) {
  Namesakes names;
  for (const IndexSymbol& symbol : library.symbols) names[symbol.name].push_back(&symbol);
  return names;
}

// The symbol of the other library at the same place among the namesakes, if any.
const IndexSymbol* Counterpart(const IndexSymbol& symbol, const Namesakes& own, const Namesakes& other) {
  const auto& namesakes = own.at(symbol.name);
  const auto place = static_cast<std::size_t>(std::find(namesakes.begin(), namesakes.end(), &symbol) - namesakes.begin());
  const auto found = other.find(symbol.name);
  return found == other.end() || found->second.size() <= place ? nullptr : found->second[place];
}

}  // namespace

int RunDiff(const Command& command, std::ostream& out, std::ostream& err) {
  const Library older = OpenSoundLibrary(command.operands[0], command, err);
  const Library newer = OpenSoundLibrary(command.operands[1], command, err);
  ContentComparer contents(ReadOptionsOf(command).maxContentBytes);
  std::size_t added = 0, removed = 0, changed = 0;
  bool other = false;

  if (older.libraryName != newer.libraryName) {
    out << "library name: " << QuotedText(older.libraryName) << " -> " << QuotedText(newer.libraryName) << '\n';
    other = true;
  }
  if (older.copyright != newer.copyright) {
    out << "copyright changed\n";
    other = true;
  }
  const auto oldNames = ByName(older);
  const auto newNames = ByName(newer);
  // Removed and changed in the old library's order, then added in the new one's.
  for (const IndexSymbol& symbol : older.symbols) {
    const IndexSymbol* counterpart = Counterpart(symbol, oldNames, newNames);
    if (counterpart == nullptr) {
      out << "removed: " << ConsoleText(symbol.name) << '\n';
      ++removed;
      continue;
    }
    const IndexSymbol& now = *counterpart;
    std::vector<std::string> changes;
    const reader::Block& oldBlock = older.blocks[*symbol.block];
    const reader::Block& newBlock = newer.blocks[*now.block];
    if (!contents.Same(older, oldBlock, newer, newBlock)) {
      changes.push_back("content (" + std::to_string(oldBlock.contentSize) + " -> " +
                        std::to_string(newBlock.contentSize) + " bytes)");
    }
    if (symbol.caption != now.caption) changes.push_back("caption " + QuotedText(symbol.caption) + " -> " + QuotedText(now.caption));
    if (symbol.category != now.category) {
      changes.push_back("category " + QuotedText(symbol.category) + " -> " + QuotedText(now.category));
    }
    if (symbol.aliases != now.aliases) changes.push_back("aliases " + AliasList(symbol.aliases) + " -> " + AliasList(now.aliases));
    if (changes.empty()) continue;
    ++changed;
    out << "changed: " << ConsoleText(symbol.name) << ':';
    for (std::size_t i = 0; i < changes.size(); ++i) out << (i == 0 ? " " : "; ") << changes[i];
    out << '\n';
  }
  for (const IndexSymbol& symbol : newer.symbols) {
    if (Counterpart(symbol, newNames, oldNames) == nullptr) {
      out << "added: " << ConsoleText(symbol.name) << '\n';
      ++added;
    }
  }
  if (added + removed + changed == 0 && !other) {
    out << "same symbols (" << Counted(older.symbols.size(), "symbol") << ")\n";
    return 0;
  }
  out << added << " added, " << removed << " removed, " << changed << " changed\n";
  return 1;
}

}  // namespace zav::inspect
