#include "platform/name_rules.h"

#include <algorithm>

namespace zav {
namespace {

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

}  // namespace

bool HasControlCharacter(std::string_view text) { return std::any_of(text.begin(), text.end(), IsControl); }

std::string EscapeControlCharacters(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    if (!IsControl(c)) {
      shown += c;
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\t') {
      shown += "\\t";
    } else {
      const auto byte = static_cast<unsigned char>(c);
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0x0F];
    }
  }
  return shown;
}

bool IsValidLibraryName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string_view::npos &&
         !HasControlCharacter(name);
}

}  // namespace zav
