// Compression switches modes with a 00 byte; a character whose low byte is 00 would be
// taken for such a switch in either mode, so its presence rules compression out.
#include "tools/mdb/jet_text.h"

#include "platform/failure.h"

namespace zav::mdb {
namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

bool IsOneByte(char16_t unit) { return unit < 0x100; }

bool CanCompress(std::u16string_view text) {
  for (char16_t unit : text) {
    if ((unit & 0xFF) == 0) return false;
  }
  return true;
}

std::vector<std::uint8_t> Compress(std::u16string_view text) {
  std::vector<std::uint8_t> out{0xFF, 0xFE};
  bool oneByteMode = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsOneByte(unit)) {
      // Leaving two-byte mode costs a byte: worth it only for a run of two or for the end.
      const bool runAhead = i + 1 == text.size() || IsOneByte(text[i + 1]);
      if (!oneByteMode && runAhead) {
        out.push_back(0x00);
        oneByteMode = true;
      }
    } else if (oneByteMode) {
      out.push_back(0x00);
      oneByteMode = false;
    }
    if (oneByteMode) {
      out.push_back(static_cast<std::uint8_t>(unit));
    } else {
      out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      out.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view text) {
  std::vector<std::uint8_t> out;
  out.reserve(text.size() * 2);
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return out;
}

std::vector<std::uint8_t> EncodeJetText(std::u16string_view text, bool mayCompress) {
  const bool startsWithMark = !text.empty() && text.front() == kByteOrderMark;
  if (startsWithMark && !(mayCompress && CanCompress(text))) {
    throw Failure(ErrorKind::General,
                  "a text that starts with U+FEFF cannot be stored here: it would read back "
                  "as compressed text, and compression is ruled out for it");
  }
  if (mayCompress && CanCompress(text)) {
    std::vector<std::uint8_t> compressed = Compress(text);
    if (startsWithMark || compressed.size() < text.size() * 2) return compressed;
  }
  return Utf16LeBytes(text);
}

}  // namespace zav::mdb
