// Which names the programs accept where a name becomes a file name and a field of an
// index line, and how a text is shown so that it stays on one line. Shared by the
// compiler's checks and the front end's input checks.
#pragma once

#include <string>
#include <string_view>

namespace zav {

// A character below U+0020, or DEL: CR and LF split lines, ESC drives terminals.
bool HasControlCharacter(std::string_view text);

// The text with every control character written as an escape ("\r", "\n", "\t",
// otherwise "\x" and two hex digits, "\x1b"); every other byte as it stands.
std::string EscapeControlCharacters(std::string_view text);

// A library name stays one file name in the output folder and one field of an index
// line: not empty, not "." or "..", without "/", "\" or a control character.
bool IsValidLibraryName(std::string_view name);

}  // namespace zav
