#include "platform/path_text.h"

namespace zav {

std::size_t LengthChars(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) ++count;  // every byte but a continuation byte starts a character
  }
  return count;
}

}  // namespace zav
