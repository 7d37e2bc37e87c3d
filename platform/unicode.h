// Unicode helpers shared by both programs. Text inside the programs is UTF-8 in
// std::string; these convert at the edges (UTF-16 files, invalid bytes) and compare
// names without case the way the Windows profile and descriptor readers do.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zav {

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
inline constexpr std::string_view kUtf16BeMark = "\xFE\xFF";

bool IsValidUtf8(std::string_view bytes);

// Invalid sequences become U+FFFD, as the Windows conversion of code page 65001 does.
std::string SanitizeUtf8(std::string_view bytes);

// UTF-16 code units (host order) <-> UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view utf8);

// Bytes of UTF-16 text in the given byte order; an odd last byte is dropped.
std::u16string Utf16FromBytes(std::string_view bytes, bool bigEndian);
std::string Utf16ToBytes(std::u16string_view text, bool bigEndian);

// Full Unicode upper-casing of a UTF-8 text (one code point to one), for comparing
// section and key names without case.
std::string UpperCaseText(std::string_view utf8);
bool EqualIgnoringCase(std::string_view a, std::string_view b);
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace zav
