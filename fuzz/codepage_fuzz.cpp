// The code-page and Unicode helpers on any bytes, in UTF-8, 932 and 1252: decoding never
// fails and gives valid UTF-8; UTF-8 and UTF-16 convert into each other without loss;
// byte order round-trips; upper-casing maps one code point to one.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/unicode.h"

namespace {

std::size_t CodePoints(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

bool HasUnpairedSurrogate(std::u16string_view units) {
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using zavfuzz::Require;
  const std::string_view bytes = zavfuzz::ChooseCodePage(zavfuzz::AsText(data, size));

  const std::string decoded = zav::DecodeAnsi(bytes);
  Require(zav::IsValidUtf8(decoded), "DecodeAnsi gives valid UTF-8");
  const std::string encoded = zav::EncodeAnsi(decoded);
  Require(zav::IsValidUtf8(zav::DecodeAnsi(encoded)), "encoded text decodes again");
  if (zav::AnsiCodePage() == zav::kUtf8CodePage) Require(encoded == decoded, "in UTF-8, encoding changes nothing");

  const std::string sane = zav::SanitizeUtf8(bytes);
  Require(zav::IsValidUtf8(sane), "SanitizeUtf8 gives valid UTF-8");
  Require(zav::IsValidUtf8(bytes) == (sane == bytes), "SanitizeUtf8 changes exactly the invalid text");

  const std::u16string units = zav::Utf8ToUtf16(sane);
  Require(zav::Utf16ToUtf8(units) == sane, "valid UTF-8 survives UTF-16");
  for (const bool bigEndian : {false, true}) {
    const std::u16string raw = zav::Utf16FromBytes(bytes, bigEndian);
    Require(raw.size() == bytes.size() / 2, "an odd last byte is dropped");
    Require(zav::Utf16FromBytes(zav::Utf16ToBytes(raw, bigEndian), bigEndian) == raw, "byte order round-trips");
    const std::string text = zav::Utf16ToUtf8(raw);
    Require(zav::IsValidUtf8(text), "Utf16ToUtf8 gives valid UTF-8");
    if (!HasUnpairedSurrogate(raw)) Require(zav::Utf8ToUtf16(text) == raw, "UTF-16 survives UTF-8");
  }

  const std::string upper = zav::UpperCaseText(sane);
  Require(zav::IsValidUtf8(upper), "upper-cased text is valid UTF-8");
  Require(CodePoints(upper) == CodePoints(sane), "upper-casing maps one code point to one");
  Require(zav::EqualIgnoringCase(sane, upper), "a text equals its upper case without case");
  (void)zav::UpperCaseText(bytes);  // invalid text too, never read past its end
  return 0;
}
