// Text files as the compiler reads them (copyright file, descriptor files): the
// encoding from the byte-order mark, else the ANSI code page; lines broken at CR LF,
// lone CR and lone LF; a NUL ends the text; a break at the very end adds no line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zav {

enum class TextEncoding { Ansi, Utf8, Utf16Le, Utf16Be };

struct MarkedText {
  TextEncoding encoding;
  std::string_view body;  // the bytes after the mark
};

// Marks tested in this order: EF BB BF, FF FE, FE FF.
MarkedText SplitMark(std::string_view bytes);

// Throws EEncodingError for text marked UTF-8 that is not valid UTF-8, and for text
// marked UTF-16 with exactly one byte after its mark. Otherwise an odd last byte of
// UTF-16 is dropped, and text in the ANSI code page decodes without failing.
void CheckDecodable(const MarkedText& text);

// The text's lines in UTF-8 (what the descriptor reader needs).
std::vector<std::string> ReadTextLines(std::string_view fileBytes);

// Lines of a text in its own code units, up to the first NUL.
template <typename Char>
std::vector<std::basic_string<Char>> SplitLines(std::basic_string_view<Char> text) {
  std::vector<std::basic_string<Char>> lines;
  const std::size_t nul = text.find(Char(0));
  if (nul != std::basic_string_view<Char>::npos) text = text.substr(0, nul);
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != Char('\r') && text[i] != Char('\n')) continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == Char('\r') && i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace zav
