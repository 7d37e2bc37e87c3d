// The stand-in for the Windows ANSI code page. Linux has none, so both programs use
// UTF-8 (code page 65001); ZAV_CODEPAGE names another one (932, 1252, ...) for files
// that come from Windows, converted through iconv.
#pragma once

#include <string>
#include <string_view>

namespace zav {

inline constexpr int kUtf8CodePage = 65001;

// The code page in force: ZAV_CODEPAGE, or 65001 when it is unset or empty, read once
// per process at the first call (both programs make that call at start-up). Throws a
// Failure with a clear message for a value that is not a number iconv knows.
int AnsiCodePage();

// The code page a value of ZAV_CODEPAGE names (nullptr: unset); the rule and the
// failures of AnsiCodePage.
int CodePageFromSetting(const char* value);

// For tests, which switch code pages within one process: makes codePage the one in
// force from now on, and returns the one in force before, 0 when none was read yet
// (giving back 0 makes the next use read ZAV_CODEPAGE again).
int OverrideAnsiCodePage(int codePage);

// Bytes in the ANSI code page -> UTF-8. Never fails: what cannot be decoded becomes
// U+FFFD, as the Windows conversion does by default.
std::string DecodeAnsi(std::string_view bytes);

// UTF-8 -> bytes in the ANSI code page; a character the code page lacks becomes "?",
// the Windows default character.
std::string EncodeAnsi(std::string_view utf8);

// Whether text in the ANSI code page is written with a byte-order mark (only UTF-8).
inline bool AnsiCodePageHasMark() { return AnsiCodePage() == kUtf8CodePage; }

}  // namespace zav
