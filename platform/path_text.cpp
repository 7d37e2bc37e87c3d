#include "platform/path_text.h"

namespace zav {

std::string FolderOfPath(const std::string& pathText) {
  const std::size_t slash = pathText.rfind(kSeparator);
  if (slash == std::string::npos) return ".";
  if (slash == 0) return std::string(1, kSeparator);
  return pathText.substr(0, slash);
}

std::string FileNameOfPath(const std::string& pathText) {
  const std::size_t slash = pathText.rfind(kSeparator);
  return slash == std::string::npos ? pathText : pathText.substr(slash + 1);
}

std::size_t LengthChars(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++count;  // every byte but a continuation byte starts a character
  }
  return count;
}

}  // namespace zav
