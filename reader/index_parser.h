// The index text back into its lines, exactly as the compiler writes it: UTF-8 with
// its mark, every line ending in CR LF; index lines "<lib>:<name>=<offset>|<caption>|
// <category>" and, directly after its symbol's line, alias lines "<id>=@<lib>:<name>".
// Nothing in a line is escaped, so a "|", "=" or ":" inside a name or value is read by
// the rules below, and a line that they cannot read one way only is a warning.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reader/problem.h"

namespace zav::reader {

struct IndexSymbol {
  std::size_t line = 0;  // 1-based, the mark not counted
  std::string libraryName;
  std::string name;
  std::int64_t offset = 0;  // as written: the original wrote unset values for ".svgz"
  std::string caption;
  std::string category;
  std::vector<std::string> aliases;  // identifiers of the alias lines that name it
  std::optional<std::size_t> block;  // set by the library reader: the block it names

  std::string Key() const { return libraryName + ":" + name; }
};

struct IndexAlias {
  std::size_t line = 0;
  std::string id;
  std::string target;  // "<lib>:<name>"
  std::optional<std::size_t> symbol;  // the symbol it names, when one does
};

struct ParsedIndex {
  std::vector<IndexSymbol> symbols;  // in line order
  std::vector<IndexAlias> aliases;
  std::vector<Problem> problems;
};

// libraryNameHint: the library file's name without ".zavlibsvg"; where every line's
// key starts with it and ":", that is the library name (a name can hold ":").
// isBlockStart: where a name holds "=<digits>|", the "=" before an offset that names a
// block wins; else the first.
ParsedIndex ParseIndex(std::string_view text, std::string_view libraryNameHint,
                       const std::function<bool(std::int64_t)>& isBlockStart);

}  // namespace zav::reader
