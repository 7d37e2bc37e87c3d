#include "reader/copyright_text.h"

#include "platform/codepage.h"
#include "platform/unicode.h"

namespace zav::reader {
namespace {

std::string_view MarkOf(CopyrightEncoding encoding) {
  switch (encoding) {
    case CopyrightEncoding::Utf8: return kUtf8Mark;
    case CopyrightEncoding::Utf16Le: return kUtf16LeMark;
    case CopyrightEncoding::Utf16Be: return kUtf16BeMark;
    case CopyrightEncoding::CodePage: break;
  }
  return {};
}

template <typename Text>
bool EveryLineEndsInCrLf(const Text& text) {
  if (text.empty()) return true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return text.back() == '\n';
}

}  // namespace

CopyrightEncoding CopyrightEncodingOf(std::string_view stored) {
  if (stored.starts_with(kUtf8Mark)) return CopyrightEncoding::Utf8;
  if (stored.starts_with(kUtf16LeMark)) return CopyrightEncoding::Utf16Le;
  if (stored.starts_with(kUtf16BeMark)) return CopyrightEncoding::Utf16Be;
  return CopyrightEncoding::CodePage;
}

std::string_view EncodingName(CopyrightEncoding encoding) {
  switch (encoding) {
    case CopyrightEncoding::Utf8: return "UTF-8";
    case CopyrightEncoding::Utf16Le: return "UTF-16LE";
    case CopyrightEncoding::Utf16Be: return "UTF-16BE";
    case CopyrightEncoding::CodePage: break;
  }
  return "code page";
}

std::optional<std::string> CopyrightFault(std::string_view stored) {
  const CopyrightEncoding encoding = CopyrightEncodingOf(stored);
  const std::string_view body = stored.substr(MarkOf(encoding).size());
  if (encoding == CopyrightEncoding::Utf16Le || encoding == CopyrightEncoding::Utf16Be) {
    if (body.size() % 2 != 0) return "the UTF-16 text has an odd number of bytes";
    if (!EveryLineEndsInCrLf(Utf16FromBytes(body, encoding == CopyrightEncoding::Utf16Be))) {
      return "a line of the text does not end in CR LF";
    }
    return std::nullopt;
  }
  if (encoding == CopyrightEncoding::Utf8 && !IsValidUtf8(body)) return "the text after the UTF-8 mark is not valid UTF-8";
  if (!EveryLineEndsInCrLf(body)) return "a line of the text does not end in CR LF";
  return std::nullopt;
}

std::string CopyrightText(std::string_view stored) {
  const CopyrightEncoding encoding = CopyrightEncodingOf(stored);
  const std::string_view body = stored.substr(MarkOf(encoding).size());
  switch (encoding) {
    case CopyrightEncoding::Utf8: return SanitizeUtf8(body);
    case CopyrightEncoding::Utf16Le: return Utf16ToUtf8(Utf16FromBytes(body, false));
    case CopyrightEncoding::Utf16Be: return Utf16ToUtf8(Utf16FromBytes(body, true));
    case CopyrightEncoding::CodePage: break;
  }
  return DecodeAnsi(body);
}

}  // namespace zav::reader
