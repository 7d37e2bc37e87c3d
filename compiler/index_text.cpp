#include "compiler/index_text.h"

#include "platform/unicode.h"

namespace zav {

std::string IndexLine(const std::string& libraryName, const std::string& symbolName,
                      std::int64_t blockOffset, const std::string& caption, const std::string& category) {
  return libraryName + ":" + symbolName + "=" + std::to_string(blockOffset) + "|" + caption + "|" + category;
}

std::string AliasLine(const std::string& uniqueId, const std::string& libraryName,
                      const std::string& symbolName) {
  return uniqueId + "=@" + libraryName + ":" + symbolName;
}

void AppendIndexFileLine(std::string& bytes, const std::string& line) {
  // Names come from the command line and the file system as bytes; the index is
  // UTF-8, so a stray byte becomes U+FFFD rather than broken text.
  bytes += SanitizeUtf8(line);
  bytes += "\r\n";
}

}  // namespace zav
