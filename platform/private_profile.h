// Stand-ins for GetPrivateProfileStringW / WritePrivateProfileStringW with their Windows
// semantics. Texts are UTF-8. A file these functions create is written in the ANSI code
// page; one that starts with the UTF-16 LE mark stays UTF-16. Every write replaces the
// file atomically (temporary file + rename), so a crash never leaves half a file.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zav {

// Reads key in section of the file; default (less its trailing spaces) when the file,
// section or key is missing or the file cannot be read. A value in a matching pair of
// quotes comes back without them; at most 2,047 characters (UTF-16 units, a pair never
// split) are returned. Names are compared without case, the first section and the first
// key of a name win. Throws only a Failure for a ZAV_CODEPAGE that cannot be used.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& fileName);

// Writes key=value into section, creating the file, the section or the key as needed,
// replacing the key's value in place and keeping every other line byte for byte. A
// missing value deletes the key, a missing key the whole section. All three missing is
// the flush call, which succeeds at once: nothing is cached, every write has already
// replaced the file (zav::SyncFileToDisk forces it to the disk). Returns false when the file cannot be written, with errno set; EINVAL for
// a missing section or a name or value with a line break (or a key with "=") that would
// change other lines of the file. Throws, as the read does, only for a ZAV_CODEPAGE that
// cannot be used.
bool WritePrivateProfileString(const std::optional<std::string>& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value,
                               const std::string& fileName);

// One key write of WritePrivateProfileStrings.
struct ProfileKeyWrite {
  std::string section;
  std::string key;
  std::string value;
};

// What one WritePrivateProfileString call per write, in order, then the flush would leave
// in the file, byte for byte, and the same result and errno; but the file is read once
// and written once: a new file is created at its name, an existing one replaced as a
// single write replaces it. Made for callers that write many files of a few keys each.
bool WritePrivateProfileStrings(std::span<const ProfileKeyWrite> writes, const std::string& fileName);

// WritePrivateProfileStrings for the entry `name` of a folder the caller opened
// (TryOpenFolderOf), fileName being that entry's path: the same bytes, result and errno.
// Where nothing is there yet, the file is made in that folder at once, without a read
// first or a walk of the path: a build makes thousands of new files. Anything else is
// left to WritePrivateProfileStrings.
bool WritePrivateProfileStringsIn(int folderFd, const std::string& name, std::span<const ProfileKeyWrite> writes,
                                  const std::string& fileName);

// The rules of the two functions on a file's bytes, without the file: what they do
// between reading the file and replacing it. A file that does not exist reads as empty.
std::string ProfileStringFromBytes(std::string_view fileBytes, const std::string& section,
                                   const std::string& key, const std::string& defaultValue);

struct ProfileEdit {
  int error = 0;         // EINVAL: the write is refused, as WritePrivateProfileString says
  bool changed = false;  // false: nothing to write (what was to be deleted is not there)
  std::string bytes;     // the file's new bytes when changed
};

// The edit a write makes; the flush call (all three missing) is WritePrivateProfileString's.
ProfileEdit EditProfileBytes(std::string_view fileBytes, const std::optional<std::string>& section,
                             const std::optional<std::string>& key,
                             const std::optional<std::string>& value);

}  // namespace zav
