// Any bytes as a descriptor file, in every encoding the compiler reads (each byte-order
// mark, and without one UTF-8, 932 or 1252): either the one encoding failure, or three
// values that are valid UTF-8, trimmed, and hold no line break or NUL, since they go
// into index lines as they stand.
#include <cstdint>
#include <string>

#include "compiler/descriptor_reader.h"
#include "compiler/text_file.h"
#include "fuzz/fuzz_support.h"
#include "platform/failure.h"
#include "platform/trim.h"
#include "platform/unicode.h"

namespace {

void CheckValue(const std::string& value) {
  zavfuzz::Require(zav::IsValidUtf8(value), "a descriptor value is valid UTF-8");
  zavfuzz::Require(value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
                   "a descriptor value holds no CR, LF or NUL");
  zavfuzz::Require(zav::TrimControlAndBlank(value) == value, "a descriptor value is trimmed");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = zavfuzz::ChooseCodePage(zavfuzz::AsText(data, size));
  std::vector<std::string> lines;
  try {
    lines = zav::ReadTextLines(bytes);
  } catch (const zav::Failure& failure) {
    zavfuzz::Require(failure.kind == zav::ErrorKind::Encoding, "text fails only with EEncodingError");
    return 0;
  }
  for (const std::string& line : lines) {
    zavfuzz::Require(zav::IsValidUtf8(line), "a decoded line is valid UTF-8");
    zavfuzz::Require(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
                     "a decoded line holds no CR, LF or NUL");
  }
  const zav::Descriptor descriptor = zav::ParseDescriptor(lines);
  CheckValue(descriptor.uniqueId);
  CheckValue(descriptor.caption);
  CheckValue(descriptor.category);
  return 0;
}
