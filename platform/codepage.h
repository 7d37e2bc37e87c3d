// The stand-in for the Windows ANSI code page. Linux has none, so both programs use
// UTF-8 (code page 65001); ZAV_CODEPAGE names another one (932, 1252, ...) for files
// that come from Windows, converted through iconv.
#pragma once

#include <string>
#include <string_view>

namespace zav {

inline constexpr int kUtf8CodePage = 65001;

// The code page in force: ZAV_CODEPAGE, or 65001 when it is unset or empty. Throws a
// Failure with a clear message for a value that is not a number iconv knows.
int AnsiCodePage();

// Bytes in the ANSI code page -> UTF-8. Never fails: what cannot be decoded becomes
// U+FFFD, as the Windows conversion does by default.
std::string DecodeAnsi(std::string_view bytes);

// UTF-8 -> bytes in the ANSI code page; a character the code page lacks becomes "?",
// the Windows default character.
std::string EncodeAnsi(std::string_view utf8);

// Whether text in the ANSI code page is written with a byte-order mark (only UTF-8).
inline bool AnsiCodePageHasMark() { return AnsiCodePage() == kUtf8CodePage; }

}  // namespace zav
