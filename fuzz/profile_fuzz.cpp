// The private-profile rules on any file bytes (every byte-order mark, and without one
// UTF-8, 932 or 1252). The input's first line names the write, "section\tkey\tvalue"
// (two fields delete the key, one the section); the rest is the file. Reading never
// fails and gives valid UTF-8 of at most 2,047 UTF-16 units; a write of a key as the
// programs write them (a name that is no comment, section or blank) reads back as
// written, and what is deleted is gone.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/private_profile.h"
#include "platform/trim.h"
#include "platform/unicode.h"

namespace {

using zavfuzz::Require;

std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.emplace_back(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

void CheckRead(const std::string& value) {
  Require(zav::IsValidUtf8(value), "a value read is valid UTF-8");
  Require(zav::Utf8ToUtf16(value).size() <= 2047, "a value read is at most 2,047 UTF-16 units");
}

// A key or section name as the programs write them: the names of the settings and
// descriptor keys, which the profile reads as what they are.
bool IsPlainName(std::string_view name) {
  return !name.empty() && zav::TrimControlAndBlank(name) == name && name.front() != ';' &&
         name.front() != '[' && name.find_first_of("=]") == std::string_view::npos && zav::IsValidUtf8(name);
}

// A value that reads back unchanged: trimmed, valid, not in a pair of quotes, short.
bool IsPlainValue(std::string_view value) {
  return zav::TrimControlAndBlank(value) == value && zav::IsValidUtf8(value) && value.find('\0') == value.npos &&
         !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) &&
         zav::Utf8ToUtf16(value).size() <= 2047;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = zavfuzz::ChooseCodePage(zavfuzz::AsText(data, size));
  const std::size_t newline = input.find('\n');
  const std::vector<std::string> fields = Fields(input.substr(0, newline));
  const std::string_view file = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

  const std::optional<std::string> section = fields[0];
  const std::optional<std::string> key = fields.size() > 1 ? std::optional(fields[1]) : std::nullopt;
  const std::optional<std::string> value = fields.size() > 2 ? std::optional(fields[2]) : std::nullopt;

  CheckRead(zav::ProfileStringFromBytes(file, *section, key.value_or(""), value.value_or("")));
  const zav::ProfileEdit edit = zav::EditProfileBytes(file, section, key, value);
  if (edit.error != 0 || !edit.changed) return 0;
  const std::string read = zav::ProfileStringFromBytes(edit.bytes, *section, key.value_or(""), "\x01");
  CheckRead(read);

  // Text the file's encoding can hold: everything but a Windows code page's own file.
  const bool unicodeFile = file.starts_with(zav::kUtf8Mark) || file.starts_with(zav::kUtf16LeMark) ||
                           file.starts_with(zav::kUtf16BeMark) || zav::AnsiCodePage() == zav::kUtf8CodePage;
  if (!unicodeFile || !IsPlainName(*section) || (key && !IsPlainName(*key))) return 0;
  if (!value) {
    // The first section or key of the name goes; a later one of the same name may come
    // to light. Deleting as often as there are lines leaves none.
    std::string bytes = edit.bytes;
    for (std::size_t lines = 0; lines <= bytes.size(); ++lines) {
      const zav::ProfileEdit again = zav::EditProfileBytes(bytes, section, key, value);
      Require(again.error == 0, "deleting again is no error");
      if (!again.changed) break;
      bytes = again.bytes;
    }
    Require(zav::ProfileStringFromBytes(bytes, *section, key.value_or(""), "\x01") == "\x01",
            "what was deleted as often as it was there is gone");
  } else if (IsPlainValue(*value)) {
    Require(read == *value, "a written value reads back as written");
  }
  return 0;
}
