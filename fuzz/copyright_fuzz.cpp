// Any bytes as "copyright.txt": either the one encoding failure, or the text the
// library stores, in the encoding it was read in, every line ending in CR LF. Stored
// text read again gives itself (in UTF-8 and UTF-16; a Windows code page may turn an
// undecodable byte into "?" once), so a library rebuilt from its own text is the same.
#include <cstdint>
#include <string>

#include "compiler/copyright_file.h"
#include "fuzz/fuzz_support.h"
#include "platform/codepage.h"
#include "platform/failure.h"
#include "platform/unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = zavfuzz::ChooseCodePage(zavfuzz::AsText(data, size));
  std::string stored;
  try {
    stored = zav::StoredCopyrightText(bytes);
  } catch (const zav::Failure& failure) {
    zavfuzz::Require(failure.kind == zav::ErrorKind::Encoding, "copyright fails only with EEncodingError");
    return 0;
  }
  const bool utf16 = stored.starts_with(zav::kUtf16LeMark) || stored.starts_with(zav::kUtf16BeMark);
  if (utf16) {
    zavfuzz::Require(stored.size() % 2 == 0, "UTF-16 text is whole code units");
    const std::string_view crlf = stored.starts_with(zav::kUtf16LeMark) ? std::string_view("\r\0\n\0", 4)
                                                                        : std::string_view("\0\r\0\n", 4);
    zavfuzz::Require(stored.size() == 2 || stored.ends_with(crlf), "UTF-16 text ends in CR LF");
  } else {
    const std::size_t mark = stored.starts_with(zav::kUtf8Mark) ? zav::kUtf8Mark.size() : 0;
    zavfuzz::Require(stored.size() == mark || stored.ends_with("\r\n"), "the text ends in CR LF");
    zavfuzz::Require(mark == 0 || zav::IsValidUtf8(stored), "marked UTF-8 text is valid UTF-8");
  }
  std::string again = zav::StoredCopyrightText(stored);
  if (zav::AnsiCodePage() != zav::kUtf8CodePage && !utf16 && !stored.starts_with(zav::kUtf8Mark)) {
    stored = again;
    again = zav::StoredCopyrightText(stored);
  }
  zavfuzz::Require(again == stored, "stored text read again gives itself");
  return 0;
}
