// Stand-ins for GetPrivateProfileStringW / WritePrivateProfileStringW with their Windows
// semantics. Texts are UTF-8. A file these functions create is written in the ANSI code
// page; one that starts with the UTF-16 LE mark stays UTF-16. Every write replaces the
// file atomically (temporary file + rename), so a crash never leaves half a file.
#pragma once

#include <optional>
#include <string>

namespace zav {

// Reads key in section of the file; default when the file, section or key is missing.
// A value in a matching pair of quotes comes back without them; at most 2,047
// characters are returned. Names are compared without case.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& fileName);

// Writes key=value into section, creating the file, the section or the key as needed,
// replacing the key's value in place and keeping every other line. A missing section
// (nullopt) with missing key and value flushes the cache of that file (a no-op here, as
// every write goes straight to disk). Returns false when the file cannot be written,
// with errno set.
bool WritePrivateProfileString(const std::optional<std::string>& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value,
                               const std::string& fileName);

}  // namespace zav
