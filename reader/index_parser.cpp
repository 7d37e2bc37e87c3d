#include "reader/index_parser.h"

#include <charconv>
#include <map>

#include "platform/failure.h"
#include "platform/unicode.h"

namespace zav::reader {
namespace {

constexpr std::string_view kAliasMark = "=@";

// Line 0 stands for the index as a whole.
std::string LineWhere(std::size_t line) { return line == 0 ? "index" : "index line " + std::to_string(line); }

// Index texts in messages: quoted, any invalid UTF-8 made readable.
std::string QuotedText(std::string_view text) { return Quoted(SanitizeUtf8(text)); }

struct IndexLineParts {
  std::string key;
  std::int64_t offset = 0;
  std::string rest;  // "<caption>|<category>"
};

// The "=" that ends the key: one followed by an optional "-", decimal digits and "|".
std::optional<IndexLineParts> SplitIndexLine(std::string_view line,
                                             const std::function<bool(std::int64_t)>& isBlockStart) {
  std::optional<IndexLineParts> first;
  for (std::size_t eq = line.find('='); eq != std::string_view::npos; eq = line.find('=', eq + 1)) {
    const std::string_view key = line.substr(0, eq);
    if (key.find(':') == std::string_view::npos) continue;
    std::size_t digitsAt = eq + 1;
    if (digitsAt < line.size() && line[digitsAt] == '-') ++digitsAt;
    std::size_t bar = digitsAt;
    while (bar < line.size() && line[bar] >= '0' && line[bar] <= '9') ++bar;
    if (bar == digitsAt || bar >= line.size() || line[bar] != '|') continue;
    std::int64_t offset = 0;
    const auto [end, error] = std::from_chars(line.data() + eq + 1, line.data() + bar, offset);
    if (error != std::errc() || end != line.data() + bar) continue;
    IndexLineParts parts{std::string(key), offset, std::string(line.substr(bar + 1))};
    if (isBlockStart(offset)) return parts;
    if (!first) first = std::move(parts);
  }
  return first;
}

bool Trimmed(std::string_view value) {
  return value.empty() || (static_cast<unsigned char>(value.front()) > 0x20 && static_cast<unsigned char>(value.back()) > 0x20);
}

// The "|" between caption and category where the values hold more: the last one that
// leaves both without blanks at their ends, as the compiler writes values trimmed;
// failing that, the last.
std::size_t CaptionEnd(std::string_view rest) {
  for (std::size_t bar = rest.rfind('|'); bar != std::string_view::npos; bar = bar == 0 ? std::string_view::npos : rest.rfind('|', bar - 1)) {
    if (Trimmed(rest.substr(0, bar)) && Trimmed(rest.substr(bar + 1))) return bar;
  }
  return rest.rfind('|');
}

class Parser {
 public:
  Parser(std::string_view hint, const std::function<bool(std::int64_t)>& isBlockStart)
      : hint_(hint), isBlockStart_(isBlockStart) {}

  void Line(std::size_t number, std::string_view line) {
    if (line.empty()) {
      Add(Severity::Problem, number, "an empty line");
      lastKey_.reset();
      return;
    }
    if (!IsValidUtf8(line)) Add(Severity::Problem, number, "not valid UTF-8");
    if (line.find_first_of("\r\n") != std::string_view::npos) {
      Add(Severity::Problem, number, "holds a CR or LF that does not end the line");
    }
    const std::optional<IndexLineParts> asIndex = SplitIndexLine(line, isBlockStart_);
    // The compiler writes an alias line directly after its symbol's line, naming it.
    if (lastKey_) {
      const std::string tail = std::string(kAliasMark) + *lastKey_;
      if (line.size() > tail.size() && line.ends_with(tail)) {
        if (asIndex) {
          Add(Severity::Warning, number,
              "reads as an index line too; taken as an alias line of " + QuotedText(*lastKey_));
        }
        AddAlias(number, line.substr(0, line.size() - tail.size()), *lastKey_, true);
        return;
      }
    }
    if (asIndex) {
      AddSymbol(number, *asIndex);
      return;
    }
    if (const std::size_t mark = line.find(kAliasMark); mark != std::string_view::npos) {
      AddAlias(number, line.substr(0, mark), line.substr(mark + kAliasMark.size()), false);
      return;
    }
    Add(Severity::Problem, number,
        "neither an index line (<lib>:<name>=<offset>|<caption>|<category>) nor an alias line (<id>=@<lib>:<name>)");
    lastKey_.reset();
  }

  ParsedIndex Finish() {
    std::map<std::string, std::size_t> symbolByKey;
    std::map<std::string, std::size_t> aliasById;
    for (std::size_t i = 0; i < out_.symbols.size(); ++i) {
      const IndexSymbol& symbol = out_.symbols[i];
      const auto [found, added] = symbolByKey.emplace(symbol.Key(), i);
      if (!added) {
        Add(Severity::Warning, symbol.line,
            "the symbol " + QuotedText(symbol.Key()) + " again (first at line " +
                std::to_string(out_.symbols[found->second].line) + ")");
      }
      if (symbol.libraryName != out_.symbols.front().libraryName) {
        Add(Severity::Warning, symbol.line,
            "library name " + QuotedText(symbol.libraryName) + ", where line " +
                std::to_string(out_.symbols.front().line) + " has " + QuotedText(out_.symbols.front().libraryName));
      }
    }
    for (IndexAlias& alias : out_.aliases) {
      const auto [found, added] = aliasById.emplace(alias.id, alias.line);
      if (!added) {
        Add(Severity::Warning, alias.line,
            "the alias " + QuotedText(alias.id) + " again (first at line " + std::to_string(found->second) + ")");
      }
      const auto target = symbolByKey.find(alias.target);
      if (target == symbolByKey.end()) {
        Add(Severity::Problem, alias.line,
            "the alias " + QuotedText(alias.id) + " names " + QuotedText(alias.target) + ", which no index line defines");
        continue;
      }
      alias.symbol = target->second;
      out_.symbols[target->second].aliases.push_back(alias.id);
    }
    return std::move(out_);
  }

  void Add(Severity severity, std::size_t line, std::string what) {
    out_.problems.push_back({severity, LineWhere(line), std::move(what)});
  }

 private:
  void AddSymbol(std::size_t number, const IndexLineParts& parts) {
    IndexSymbol symbol;
    symbol.line = number;
    const std::string& key = parts.key;
    const std::size_t colon = !hint_.empty() && key.size() > hint_.size() && key.starts_with(hint_) &&
                                      key[hint_.size()] == ':'
                                  ? hint_.size()
                                  : key.find(':');
    symbol.libraryName = key.substr(0, colon);
    symbol.name = key.substr(colon + 1);
    symbol.offset = parts.offset;
    const std::size_t lastBar = CaptionEnd(parts.rest);
    if (lastBar == std::string::npos) {
      Add(Severity::Problem, number, "no \"|\" between the caption and the category");
      symbol.caption = parts.rest;
    } else {
      symbol.caption = parts.rest.substr(0, lastBar);
      symbol.category = parts.rest.substr(lastBar + 1);
      if (parts.rest.find('|') != lastBar) {
        Add(Severity::Warning, number,
            "a \"|\" in the caption or category makes the line ambiguous; read as caption " +
                QuotedText(symbol.caption) + " and category " + QuotedText(symbol.category));
      }
    }
    lastKey_ = key;
    out_.symbols.push_back(std::move(symbol));
  }

  void AddAlias(std::size_t number, std::string_view id, std::string_view target, bool afterItsSymbol) {
    if (id.empty()) Add(Severity::Problem, number, "an alias line without an identifier");
    if (!afterItsSymbol) {
      Add(Severity::Warning, number,
          "the alias line of " + QuotedText(target) + " is not directly after that symbol's line");
      lastKey_.reset();
    }
    out_.aliases.push_back({number, std::string(id), std::string(target), std::nullopt});
  }

  std::string hint_;
  const std::function<bool(std::int64_t)>& isBlockStart_;
  std::optional<std::string> lastKey_;  // the symbol whose alias lines may follow
  ParsedIndex out_;
};

}  // namespace

ParsedIndex ParseIndex(std::string_view text, std::string_view libraryNameHint,
                       const std::function<bool(std::int64_t)>& isBlockStart) {
  Parser parser(libraryNameHint, isBlockStart);
  if (text.starts_with(kUtf8Mark)) {
    text.remove_prefix(kUtf8Mark.size());
  } else {
    parser.Add(Severity::Problem, 0, "the text does not start with the UTF-8 byte-order mark");
  }
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
      parser.Line(number, text);
      parser.Add(Severity::Problem, number, "the last line does not end in CR LF");
      break;
    }
    parser.Line(number, text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  return parser.Finish();
}

}  // namespace zav::reader
