#include "compiler/copyright_file.h"

#include <cstdint>
#include <vector>

#include "platform/codepage.h"
#include "compiler/checked_io.h"
#include "platform/path_text.h"
#include "compiler/text_file.h"
#include "platform/unicode.h"

namespace zav {

std::string StoredCopyrightText(std::string_view fileBytes) {
  const MarkedText text = SplitMark(fileBytes);
  CheckDecodable(text);
  std::string stored;
  switch (text.encoding) {
    case TextEncoding::Utf8:
      stored = kUtf8Mark;
      for (const std::string& line : SplitLines<char>(text.body)) stored.append(line).append("\r\n");
      break;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be: {
      // Kept in code units, so that even unpaired surrogates come back unchanged.
      const bool bigEndian = text.encoding == TextEncoding::Utf16Be;
      stored.append(bigEndian ? kUtf16BeMark : kUtf16LeMark);
      const std::u16string units = Utf16FromBytes(text.body, bigEndian);
      for (const std::u16string& line : SplitLines<char16_t>(units)) {
        stored += Utf16ToBytes(line + u"\r\n", bigEndian);
      }
      break;
    }
    case TextEncoding::Ansi:
      if (AnsiCodePageHasMark()) stored = kUtf8Mark;
      for (const std::string& line : SplitLines<char>(text.body)) {
        stored.append(EncodeAnsi(DecodeAnsi(line))).append("\r\n");
      }
      break;
  }
  return stored;
}

std::string ReadCopyrightFile(const std::string& sourceFolder) {
  std::vector<std::uint8_t> bytes;
  ReadWholeFile(JoinPathText(sourceFolder, "copyright.txt"), bytes);
  return StoredCopyrightText(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace zav
