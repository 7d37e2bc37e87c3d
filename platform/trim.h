// Trimming, in the two ways the system's texts need it. They strip different bytes and
// each caller relies on its own, so each has a name that says which.
#pragma once

#include <string_view>

namespace zav {

// U+0000..U+0020: every control character and the blank, as the Windows profile
// functions and the descriptor reader trim section names, keys and values.
inline bool IsControlOrBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

inline std::string_view TrimControlAndBlank(std::string_view text) {
  while (!text.empty() && IsControlOrBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsControlOrBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Blank, tab, CR and LF, and nothing else: what separates the words of a connection
// string or a query; any other control character is part of a name or a value.
inline bool IsBlankOrLineBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

inline std::string_view TrimBlanksAndLineBreaks(std::string_view text) {
  while (!text.empty() && IsBlankOrLineBreak(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlankOrLineBreak(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace zav
