// zavinspect list LIB [--json]: what the library holds, symbol by symbol in file order,
// read from the index and the blocks' own length and size fields (nothing is inflated
// but the index). A damaged library is listed as far as it can be read, its problems
// told on the error stream, and the exit status is 1.
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "inspect/commands.h"
#include "inspect/console_text.h"
#include "inspect/opened_library.h"
#include "reader/copyright_text.h"

namespace zav::inspect {
namespace {

using reader::IndexSymbol;
using reader::Library;

std::string AliasList(const IndexSymbol& symbol) {
  std::string text;
  for (const std::string& alias : symbol.aliases) text += (text.empty() ? "" : ", ") + alias;
  return text;
}

void PrintText(const Library& library, std::ostream& out) {
  out << "Library: " << ConsoleText(library.libraryName) << '\n';
  // The copyright's lines one under another; the last CR LF ends a line, not adds one.
  const std::string copyright = reader::CopyrightText(library.copyright);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < copyright.size();) {
    const std::size_t end = copyright.find("\r\n", start);
    lines.push_back(copyright.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? copyright.size() : end + 2;
  }
  if (lines.empty()) out << "Copyright:\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    out << (i == 0 ? "Copyright: " : "           ") << ConsoleText(lines[i]) << '\n';
  }
  out << "Symbols: " << library.symbols.size() << '\n';
  if (library.symbols.empty()) return;
  out << "\nname\toffset\tstored\tcontent\tcaption\tcategory\taliases\n";
  for (const IndexSymbol& symbol : library.symbols) {
    out << ConsoleText(symbol.name) << '\t' << symbol.offset << '\t';
    if (symbol.block) {
      const reader::Block& block = library.blocks[*symbol.block];
      out << block.length << '\t' << block.contentSize;
    } else {
      out << "-\t-";
    }
    out << '\t' << ConsoleText(symbol.caption) << '\t' << ConsoleText(symbol.category) << '\t'
        << ConsoleText(AliasList(symbol)) << '\n';
  }
}

void PrintJson(const Library& library, const std::string& path, std::ostream& out) {
  using json = nlohmann::ordered_json;  // keys in the documented order
  json symbols = json::array();
  for (const IndexSymbol& symbol : library.symbols) {
    json entry = {{"name", symbol.name},         {"offset", symbol.offset},   {"storedSize", nullptr},
                  {"contentSize", nullptr},      {"caption", symbol.caption}, {"category", symbol.category},
                  {"aliases", symbol.aliases},   {"line", symbol.line}};
    if (symbol.block) {
      entry["storedSize"] = library.blocks[*symbol.block].length;
      entry["contentSize"] = library.blocks[*symbol.block].contentSize;
    }
    symbols.push_back(std::move(entry));
  }
  json problems = json::array();
  for (const reader::Problem& problem : library.problems) {
    problems.push_back({{"severity", problem.severity == reader::Severity::Warning ? "warning" : "problem"},
                        {"where", problem.where},
                        {"what", problem.what}});
  }
  const json document = {
      {"file", path},
      {"library", library.libraryName},
      {"copyright", reader::CopyrightText(library.copyright)},
      {"copyrightEncoding", reader::EncodingName(reader::CopyrightEncodingOf(library.copyright))},
      {"fileSize", library.file.Size()},
      {"indexOffset", library.indexOffset},
      {"symbolCount", library.symbols.size()},
      {"symbols", std::move(symbols)},
      {"problems", std::move(problems)},
  };
  // Text that is not UTF-8 (a damaged index) is shown with U+FFFD, never refused.
  out << document.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
}

}  // namespace

int RunList(const Command& command, std::ostream& out, std::ostream& err) {
  const std::string& path = command.operands[0];
  const Library library = reader::ReadLibrary(path, ReadOptionsOf(command));
  if (command.json) {
    PrintJson(library, path, out);
  } else {
    PrintText(library, out);
  }
  PrintProblems(err, path, library.problems);
  return library.Sound() ? 0 : 1;
}

}  // namespace zav::inspect
