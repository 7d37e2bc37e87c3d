#include "platform/unicode.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace zav {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at text[pos]; returns its length, 0 if invalid.
std::size_t DecodeOne(std::string_view text, std::size_t pos, char32_t& out) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    out = lead;
    return 1;
  }
  std::size_t length;
  char32_t value;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char c = byte(pos + i);
    if ((c & 0xC0) != 0x80) return 0;
    value = (value << 6) | (c & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  out = value;
  return length;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Calls emit(c) for every code point of a UTF-8 text; an invalid byte stands for U+FFFD.
template <typename Emit>
void ForEachCodePoint(std::string_view utf8, Emit emit) {
  char32_t c;
  for (std::size_t pos = 0; pos < utf8.size();) {
    std::size_t length = DecodeOne(utf8, pos, c);
    if (length == 0) c = kReplacement, length = 1;
    pos += length;
    emit(c);
  }
}

// glibc's built-in C.UTF-8 carries the full Unicode case tables; the process locale is
// left alone so that nothing else changes behaviour.
locale_t CaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  return locale;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  char32_t c;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t length = DecodeOne(bytes, pos, c);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

std::string SanitizeUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + 8);
  char32_t c;
  for (std::size_t pos = 0; pos < bytes.size();) {
    const std::size_t length = DecodeOne(bytes, pos, c);
    if (length == 0) {
      AppendUtf8(out, kReplacement);
      ++pos;
    } else {
      out.append(bytes.substr(pos, length));
      pos += length;
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 2);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  ForEachCodePoint(utf8, [&out](char32_t c) {
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  });
  return out;
}

std::u16string Utf16FromBytes(std::string_view bytes, bool bigEndian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    out += static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  return out;
}

std::string Utf16ToBytes(std::u16string_view text, bool bigEndian) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
  }
  return out;
}

std::string UpperCaseText(std::string_view utf8) {
  const locale_t locale = CaseLocale();
  std::string out;
  out.reserve(utf8.size());
  ForEachCodePoint(utf8, [&out, locale](char32_t c) {
    if (c < 0x80) {
      if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    } else if (locale != static_cast<locale_t>(0)) {
      c = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
    }
    AppendUtf8(out, c);
  });
  return out;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a == b || UpperCaseText(a) == UpperCaseText(b);
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace zav
