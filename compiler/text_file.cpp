#include "compiler/text_file.h"

#include "platform/codepage.h"
#include "platform/failure.h"
#include "platform/unicode.h"

namespace zav {

MarkedText SplitMark(std::string_view bytes) {
  if (bytes.starts_with(kUtf8Mark)) return {TextEncoding::Utf8, bytes.substr(kUtf8Mark.size())};
  if (bytes.starts_with(kUtf16LeMark)) return {TextEncoding::Utf16Le, bytes.substr(kUtf16LeMark.size())};
  if (bytes.starts_with(kUtf16BeMark)) return {TextEncoding::Utf16Be, bytes.substr(kUtf16BeMark.size())};
  return {TextEncoding::Ansi, bytes};
}

void CheckDecodable(const MarkedText& text) {
  const bool utf16 = text.encoding == TextEncoding::Utf16Le || text.encoding == TextEncoding::Utf16Be;
  if ((text.encoding == TextEncoding::Utf8 && !IsValidUtf8(text.body)) ||
      (utf16 && text.body.size() == 1)) {
    throw Failure(ErrorKind::Encoding, std::string(kEncodingMessage));
  }
}

std::vector<std::string> ReadTextLines(std::string_view fileBytes) {
  const MarkedText text = SplitMark(fileBytes);
  CheckDecodable(text);
  switch (text.encoding) {
    case TextEncoding::Utf8:
      return SplitLines<char>(text.body);
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
      const std::u16string units = Utf16FromBytes(text.body, text.encoding == TextEncoding::Utf16Be);
      std::vector<std::string> lines;
      for (const std::u16string& line : SplitLines<char16_t>(units)) lines.push_back(Utf16ToUtf8(line));
      return lines;
    }
    case TextEncoding::Ansi:
      break;
  }
  // CR, LF and NUL are single bytes in every ANSI code page, never part of a
  // multi-byte character, so decoding after the split gives the same lines.
  std::vector<std::string> lines = SplitLines<char>(text.body);
  for (std::string& line : lines) line = DecodeAnsi(line);
  return lines;
}

}  // namespace zav
