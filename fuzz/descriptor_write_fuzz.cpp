// The descriptor file as both programs see it: the front end writes CATEGORY and
// CAPTION into an existing descriptor (any bytes, every mark and code page) as the
// import does, and the compiler must then read the values the front end reads back, and
// the same UniqueID as before: a database value may change its own key, never hide or
// add another. The first line of the input holds the two values, "category\tcaption".
#include <cstdint>
#include <string>

#include "compiler/descriptor_reader.h"
#include "compiler/text_file.h"
#include "fuzz/fuzz_support.h"
#include "platform/failure.h"
#include "platform/private_profile.h"
#include "platform/trim.h"
#include "platform/unicode.h"

namespace {

using zavfuzz::Require;

// The compiler's view; nullopt where it refuses the file's encoding.
std::optional<zav::Descriptor> CompilerReads(std::string_view bytes) {
  try {
    return zav::ParseDescriptor(zav::ReadTextLines(bytes));
  } catch (const zav::Failure&) {
    return std::nullopt;
  }
}

// A value both readers must agree on: the profile reader alone drops a pair of quotes
// and cuts at 2,047 units, as Windows does. The value written ends at a NUL.
bool ReadAlike(const std::string& written) {
  const std::string_view value = zav::TrimControlAndBlank(std::string_view(written).substr(0, written.find('\0')));
  return !(value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) &&
         zav::Utf8ToUtf16(value).size() < 2047;
}

// A NUL already in the file ends the compiler's text there, as the original's reader
// did: what lies after it, written now or before, is out of the compiler's sight.
bool HasNul(std::string_view file) {
  const zav::MarkedText text = zav::SplitMark(file);
  if (text.encoding != zav::TextEncoding::Utf16Le && text.encoding != zav::TextEncoding::Utf16Be) {
    return text.body.find('\0') != std::string_view::npos;
  }
  for (std::size_t i = 0; i + 1 < text.body.size(); i += 2) {
    if (text.body[i] == '\0' && text.body[i + 1] == '\0') return true;
  }
  return false;
}

// The two readers were written apart and differ by design on one kind of line: the
// profile opens a section at "[INFO] text" (up to the last "]"), the compiler only at a
// line that ends in "]". The property holds for files without such lines.
bool SectionLinesReadAlike(std::string_view file) {
  for (const std::string& line : zav::ReadTextLines(file)) {
    const std::string_view text = zav::TrimControlAndBlank(line);
    if (text.starts_with('[') && text.find(']') != std::string_view::npos && !text.ends_with(']')) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = zavfuzz::ChooseCodePage(zavfuzz::AsText(data, size));
  const std::size_t newline = input.find('\n');
  const std::string_view values = input.substr(0, newline);
  const std::string_view file = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  const std::size_t tab = values.find('\t');
  const std::string category(values.substr(0, tab));
  const std::string caption(tab == std::string_view::npos ? std::string_view() : values.substr(tab + 1));

  const std::optional<zav::Descriptor> before = CompilerReads(file);
  std::string bytes(file);
  for (const auto& [key, value] : {std::pair{"CATEGORY", &category}, std::pair{"CAPTION", &caption}}) {
    const zav::ProfileEdit edit = zav::EditProfileBytes(bytes, std::string("INFO"), std::string(key), *value);
    if (edit.error != 0) return 0;  // a line break: refused, the import says so
    if (edit.changed) bytes = edit.bytes;
  }
  const std::optional<zav::Descriptor> after = CompilerReads(bytes);
  if (!before || !after || HasNul(file) || !SectionLinesReadAlike(file)) return 0;
  Require(after->uniqueId == before->uniqueId, "the UniqueID the compiler reads stays as it was");
  const std::string frontCategory = zav::ProfileStringFromBytes(bytes, "INFO", "CATEGORY", "");
  const std::string frontCaption = zav::ProfileStringFromBytes(bytes, "INFO", "CAPTION", "");
  if (ReadAlike(category)) Require(after->category == frontCategory, "the compiler reads the category written");
  if (ReadAlike(caption)) Require(after->caption == frontCaption, "the compiler reads the caption written");
  return 0;
}
