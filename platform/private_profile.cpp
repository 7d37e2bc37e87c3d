// The private-profile functions work on the file as a list of lines kept in their stored
// bytes: a write re-encodes only the line it adds or replaces, so every other line (its
// encoding, its line end, bytes the code page cannot decode) comes back exactly as it was.
#include "platform/private_profile.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

#include "platform/atomic_file.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/pending_file.h"
#include "platform/trim.h"
#include "platform/unicode.h"

namespace zav {
namespace {

// Windows hands the value back in a buffer of 2,048 UTF-16 units, one kept for the
// terminating NUL.
constexpr std::size_t kMaxValueUnits = 2047;

enum class TextForm { Ansi, Utf8Marked, Utf16Le, Utf16Be };

struct Line {
  std::string stored;  // the line's bytes as in the file, without its line end
  std::string ending;  // the line end as in the file; empty for a last line without one
  std::string text;    // the line decoded to UTF-8
};

enum class LineKind { Other, Section, Entry };

struct ParsedLine {
  LineKind kind = LineKind::Other;
  std::string_view name;   // section name or key, trimmed
  std::string_view value;  // an entry's value, trimmed
};

// "[name]" (to the last "]") opens a section; "key=value" is an entry; comments (";"),
// blank lines and lines without "=" belong to their section but never match a key.
ParsedLine ParseLine(std::string_view text) {
  const std::string_view line = TrimControlAndBlank(text);
  ParsedLine parsed;
  if (line.empty() || line.front() == ';') return parsed;
  if (line.front() == '[') {
    const std::size_t close = line.rfind(']');
    if (close != std::string_view::npos && close > 0) {
      parsed.kind = LineKind::Section;
      parsed.name = TrimControlAndBlank(line.substr(1, close - 1));
      return parsed;
    }
  }
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = LineKind::Entry;
  parsed.name = TrimControlAndBlank(line.substr(0, equals));
  parsed.value = TrimControlAndBlank(line.substr(equals + 1));
  return parsed;
}

class ProfileText {
 public:
  // An empty text is what a file that does not exist yet becomes: the first write
  // creates it in the ANSI code page without a mark.
  explicit ProfileText(std::string_view bytes) {
    if (bytes.starts_with(kUtf16LeMark)) {
      form_ = TextForm::Utf16Le;
    } else if (bytes.starts_with(kUtf16BeMark)) {
      form_ = TextForm::Utf16Be;
    } else if (bytes.starts_with(kUtf8Mark)) {
      form_ = TextForm::Utf8Marked;
    }
    const std::size_t markSize = form_ == TextForm::Utf8Marked ? kUtf8Mark.size()
                                 : form_ == TextForm::Ansi     ? 0
                                                               : kUtf16LeMark.size();
    mark_ = bytes.substr(0, markSize);
    std::string_view body = bytes.substr(markSize);
    if (body.size() % UnitSize() != 0) {
      // Half a UTF-16 unit, no character: kept at the very end, after any line a write
      // adds, so that the lines stay whole units and the byte is written back as it was.
      oddByte_.assign(1, body.back());
      body.remove_suffix(1);
    }
    SplitLines(body);
  }

  std::string Bytes() const {
    std::string out = mark_;
    for (const Line& line : lines_) out += line.stored + line.ending;
    return out + oddByte_;
  }

  std::vector<Line>& lines() { return lines_; }

  // Index of the header of the first section of that name, or npos.
  std::size_t FindSection(std::string_view upperName) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      const ParsedLine parsed = ParseLine(lines_[i].text);
      if (parsed.kind == LineKind::Section && UpperCaseText(parsed.name) == upperName) return i;
    }
    return npos;
  }

  // One past the last line of the section whose header is at `header`.
  std::size_t SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && ParseLine(lines_[i].text).kind != LineKind::Section) ++i;
    return i;
  }

  // Index of the first entry of that key in the section, or npos.
  std::size_t FindKey(std::size_t header, std::string_view upperKey) const {
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
      const ParsedLine parsed = ParseLine(lines_[i].text);
      if (parsed.kind == LineKind::Entry && UpperCaseText(parsed.name) == upperKey) return i;
    }
    return npos;
  }

  Line MakeLine(std::string text) const {
    return Line{Encode(text), Encode("\r\n"), std::move(text)};
  }

  // A line is added after the one at `before`, which gets a line end if it had none.
  void InsertAfter(std::size_t before, Line line) {
    if (before != npos && lines_[before].ending.empty()) lines_[before].ending = Encode("\r\n");
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(before + 1), std::move(line));
  }

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  std::size_t UnitSize() const {
    return form_ == TextForm::Utf16Le || form_ == TextForm::Utf16Be ? 2 : 1;
  }

  // The code unit at a byte offset: a byte, or a UTF-16 unit in the file's byte order.
  unsigned UnitAt(std::string_view body, std::size_t at) const {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(body[i]); };
    if (UnitSize() == 1) return byte(at);
    return form_ == TextForm::Utf16Le ? byte(at) | byte(at + 1) << 8 : byte(at) << 8 | byte(at + 1);
  }

  // Lines end at CR LF, LF or CR.
  void SplitLines(std::string_view body) {
    const std::size_t unit = UnitSize();
    std::size_t start = 0;
    std::size_t at = 0;
    while (at + unit <= body.size()) {
      const unsigned c = UnitAt(body, at);
      if (c != '\r' && c != '\n') {
        at += unit;
        continue;
      }
      std::size_t next = at + unit;
      if (c == '\r' && next + unit <= body.size() && UnitAt(body, next) == '\n') next += unit;
      AddLine(body.substr(start, at - start), body.substr(at, next - at));
      start = at = next;
    }
    if (start < body.size()) AddLine(body.substr(start), {});
  }

  void AddLine(std::string_view stored, std::string_view ending) {
    lines_.push_back(Line{std::string(stored), std::string(ending), Decode(stored)});
  }

  std::string Decode(std::string_view stored) const {
    switch (form_) {
      case TextForm::Ansi: return DecodeAnsi(stored);
      case TextForm::Utf8Marked: return SanitizeUtf8(stored);
      case TextForm::Utf16Le: return Utf16ToUtf8(Utf16FromBytes(stored, false));
      case TextForm::Utf16Be: return Utf16ToUtf8(Utf16FromBytes(stored, true));
    }
    return {};
  }

  std::string Encode(std::string_view text) const {
    switch (form_) {
      case TextForm::Ansi: return EncodeAnsi(text);
      case TextForm::Utf8Marked: return SanitizeUtf8(text);
      case TextForm::Utf16Le: return Utf16ToBytes(Utf8ToUtf16(text), false);
      case TextForm::Utf16Be: return Utf16ToBytes(Utf8ToUtf16(text), true);
    }
    return {};
  }

  TextForm form_ = TextForm::Ansi;
  std::string mark_;
  std::vector<Line> lines_;
  std::string oddByte_;
};

// The first `maxUnits` UTF-16 units of a UTF-8 text, never splitting a surrogate pair.
std::string CutToUnits(std::string_view utf8, std::size_t maxUnits) {
  std::size_t units = 0;
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::size_t width = length == 4 ? 2 : 1;
    if (units + width > maxUnits) break;
    units += width;
    at += length;
  }
  return std::string(utf8.substr(0, std::min(at, utf8.size())));
}

// The Windows functions take C strings: a name or value ends at its first NUL. Kept
// whole, a NUL would reach the file, where the compiler's reader ends the text at it
// and so loses every line after it.
std::optional<std::string> UpToNul(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return text->substr(0, text->find('\0'));
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// A line break would split the line and could plant keys the caller never wrote; a "="
// in a key would make it read back as another key.
bool RefusedArguments(const std::optional<std::string>& section, const std::optional<std::string>& key,
                      const std::optional<std::string>& value) {
  return !section || HasLineBreak(*section) ||
         (key && (HasLineBreak(*key) || key->find('=') != std::string::npos)) ||
         (value && HasLineBreak(*value));
}

// Windows-service style: false, and the reason in errno.
bool Refuse(int errorNumber) {
  errno = errorNumber;
  return false;
}

// A file that did not exist is made at its name at once: a temporary file and a rename
// would buy nothing where no earlier bytes can be lost, and a rename over a file that
// ext4 has just made sends that file to the disk, which costs far more than the write.
// Where the name cannot be made so (taken meanwhile, a link), the replacement decides,
// as it would for a single write.
bool CreateProfileFile(const std::string& fileName, std::string_view bytes) {
  PendingFile created;
  if (created.CreateInPlace(fileName, {.access = FileAccess::Write, .disposition = Disposition::CreateNew}) != 0) {
    return ReplaceFileContents(fileName, bytes);
  }
  if (const int error = TryWriteAll(created.fd(), bytes); error != 0) return Refuse(error);
  if (const int error = created.Commit(); error != 0) return Refuse(error);
  return true;
}

}  // namespace

std::string ProfileStringFromBytes(std::string_view fileBytes, const std::string& sectionText,
                                   const std::string& keyText, const std::string& defaultValue) {
  const std::string section = *UpToNul(sectionText);
  const std::string key = *UpToNul(keyText);
  // As on Windows, the default loses its trailing spaces.
  const std::string defaultText = *UpToNul(defaultValue);
  std::string_view fallback = defaultText;
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  const std::string fallbackValue = CutToUnits(SanitizeUtf8(fallback), kMaxValueUnits);

  ProfileText profile(fileBytes);
  const std::size_t header = profile.FindSection(UpperCaseText(TrimControlAndBlank(section)));
  if (header == ProfileText::npos) return fallbackValue;
  const std::size_t entry = profile.FindKey(header, UpperCaseText(TrimControlAndBlank(key)));
  if (entry == ProfileText::npos) return fallbackValue;

  std::string_view value = ParseLine(profile.lines()[entry].text).value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return CutToUnits(value, kMaxValueUnits);
}

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, const std::string& fileName) {
  std::string bytes;
  if (TryReadWholeFile(fileName, bytes) != 0) bytes.clear();  // read as a missing file
  return ProfileStringFromBytes(bytes, section, key, defaultValue);
}

ProfileEdit EditProfileBytes(std::string_view fileBytes, const std::optional<std::string>& sectionText,
                             const std::optional<std::string>& keyText,
                             const std::optional<std::string>& valueText) {
  const std::optional<std::string> section = UpToNul(sectionText);
  const std::optional<std::string> key = UpToNul(keyText);
  const std::optional<std::string> value = UpToNul(valueText);
  if (RefusedArguments(section, key, value)) return {.error = EINVAL, .changed = false, .bytes = {}};
  ProfileText profile(fileBytes);
  std::vector<Line>& lines = profile.lines();
  const std::string sectionName(TrimControlAndBlank(*section));
  const std::size_t header = profile.FindSection(UpperCaseText(sectionName));
  const auto changed = [&profile] { return ProfileEdit{.error = 0, .changed = true, .bytes = profile.Bytes()}; };

  if (!key) {  // delete the whole section
    if (header == ProfileText::npos) return {};
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                lines.begin() + static_cast<std::ptrdiff_t>(profile.SectionEnd(header)));
    return changed();
  }
  const std::string keyName(TrimControlAndBlank(*key));
  const std::size_t entry =
      header == ProfileText::npos ? ProfileText::npos : profile.FindKey(header, UpperCaseText(keyName));

  if (!value) {  // delete the key
    if (entry == ProfileText::npos) return {};
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(entry));
    return changed();
  }

  if (entry != ProfileText::npos) {
    // In place: the key keeps its spelling from the file, the line its line end.
    Line replaced = profile.MakeLine(std::string(ParseLine(lines[entry].text).name) + "=" + *value);
    replaced.ending = lines[entry].ending;
    lines[entry] = std::move(replaced);
  } else if (header != ProfileText::npos) {
    // After the section's last non-blank line, so that blank lines that separate it
    // from the next section stay where they are.
    std::size_t last = header;
    for (std::size_t i = header + 1; i < profile.SectionEnd(header); ++i) {
      if (!TrimControlAndBlank(lines[i].text).empty()) last = i;
    }
    profile.InsertAfter(last, profile.MakeLine(keyName + "=" + *value));
  } else {
    const std::size_t last = lines.empty() ? ProfileText::npos : lines.size() - 1;
    profile.InsertAfter(last, profile.MakeLine("[" + sectionName + "]"));
    profile.InsertAfter(lines.size() - 1, profile.MakeLine(keyName + "=" + *value));
  }
  return changed();
}

bool WritePrivateProfileString(const std::optional<std::string>& section,
                               const std::optional<std::string>& key,
                               const std::optional<std::string>& value,
                               const std::string& fileName) {
  if (!section && !key && !value) {
    // Windows writes its cached copy out here; every write has already replaced the
    // file, so there is nothing left to do. Forcing it to the disk is left to callers
    // that need it (SyncFileToDisk): the import flushes once per descriptor, and
    // thousands of disk waits would buy nothing for files deleted after the build.
    return true;
  }
  // Refused before the file is read, so that a refusal never depends on the file.
  if (RefusedArguments(UpToNul(section), UpToNul(key), UpToNul(value))) return Refuse(EINVAL);

  std::string bytes;
  if (const int error = TryReadWholeFile(fileName, bytes); error != 0 && error != ENOENT) {
    return Refuse(error);
  }
  const ProfileEdit edit = EditProfileBytes(bytes, section, key, value);
  if (edit.error != 0) return Refuse(edit.error);
  return !edit.changed || ReplaceFileContents(fileName, edit.bytes);
}

namespace {

// The writes applied in memory as the single calls apply them to the file; the first
// refused one ends them, after what came before it has been applied.
struct AppliedWrites {
  bool changed = false;
  int refusal = 0;
};

AppliedWrites ApplyWrites(std::string& bytes, std::span<const ProfileKeyWrite> writes) {
  AppliedWrites applied;
  for (const ProfileKeyWrite& write : writes) {
    ProfileEdit edit = EditProfileBytes(bytes, write.section, write.key, write.value);
    if (edit.error != 0) {
      applied.refusal = edit.error;
      break;
    }
    if (edit.changed) {
      bytes = std::move(edit.bytes);
      applied.changed = true;
    }
  }
  return applied;
}

}  // namespace

bool WritePrivateProfileStrings(std::span<const ProfileKeyWrite> writes, const std::string& fileName) {
  std::string bytes;
  const int readError = TryReadWholeFile(fileName, bytes);
  if (readError != 0 && readError != ENOENT && !writes.empty()) {
    // Where the first single write would have stopped: its arguments are checked before
    // the file is read.
    const ProfileKeyWrite& first = writes.front();
    if (RefusedArguments(UpToNul(first.section), UpToNul(first.key), UpToNul(first.value))) return Refuse(EINVAL);
    return Refuse(readError);
  }
  const AppliedWrites applied = ApplyWrites(bytes, writes);
  if (applied.changed) {
    const bool written = readError == ENOENT ? CreateProfileFile(fileName, bytes) : ReplaceFileContents(fileName, bytes);
    if (!written) return false;
  }
  return applied.refusal == 0 || Refuse(applied.refusal);
}

bool WritePrivateProfileStringsIn(int folderFd, const std::string& name, std::span<const ProfileKeyWrite> writes,
                                  const std::string& fileName) {
  std::string bytes;
  const AppliedWrites applied = ApplyWrites(bytes, writes);
  if (!applied.changed) return WritePrivateProfileStrings(writes, fileName);
  UniqueFd file;
  // Taken (a file of the user's, a link) or not made for any other reason: the general
  // way reads what is there and decides, as a single write would.
  if (TryCreateFileIn(folderFd, name, {.access = FileAccess::Write, .disposition = Disposition::CreateNew}, file) !=
      0) {
    return WritePrivateProfileStrings(writes, fileName);
  }
  int error = TryWriteAll(file.get(), bytes);
  if (const int closeError = file.Close(); error == 0) error = closeError;
  if (error != 0) {
    // As the creation in place of a single write: nothing half written stays.
    static_cast<void>(TryRemoveFileIn(folderFd, name));
    return Refuse(error);
  }
  return applied.refusal == 0 || Refuse(applied.refusal);
}

}  // namespace zav
