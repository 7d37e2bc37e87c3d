// The copyright block as the compiler stores it: the byte-order mark of the encoding
// the copyright file was read in (none for a code page without one), then every line
// followed by CR LF in that encoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zav::reader {

enum class CopyrightEncoding { Utf8, Utf16Le, Utf16Be, CodePage };

CopyrightEncoding CopyrightEncodingOf(std::string_view stored);
std::string_view EncodingName(CopyrightEncoding encoding);  // "UTF-8", "UTF-16LE", ...

// What is wrong with the stored bytes, if anything: text that is not valid in its
// encoding, or lines that do not end in CR LF.
std::optional<std::string> CopyrightFault(std::string_view stored);

// The text as UTF-8, without its mark; a code page's bytes are read as ZAV_CODEPAGE
// says (UTF-8 when unset). Undecodable bytes become U+FFFD.
std::string CopyrightText(std::string_view stored);

}  // namespace zav::reader
