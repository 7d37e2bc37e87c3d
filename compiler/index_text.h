// The index: one line per symbol ("<library>:<symbol>=<offset>|<caption>|<category>")
// and one alias line per unique identifier ("<id>=@<library>:<symbol>"), saved as
// UTF-8 with its mark, every line ending in CR LF.
#pragma once

#include <cstdint>
#include <string>

namespace zav {

std::string IndexLine(const std::string& libraryName, const std::string& symbolName,
                      std::int64_t blockOffset, const std::string& caption, const std::string& category);
std::string AliasLine(const std::string& uniqueId, const std::string& libraryName,
                      const std::string& symbolName);

// The bytes of "LIBSVG.txt" and of the index block's content, built a line at a time:
// start from kUtf8Mark, append every line.
void AppendIndexFileLine(std::string& bytes, const std::string& line);

}  // namespace zav
