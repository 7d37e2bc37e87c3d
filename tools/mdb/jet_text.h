// Text as Jet 4 stores it in rows: UTF-16LE, or the "compressed unicode" form that
// starts with FF FE and keeps one byte per character below U+0100.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace zav::mdb {

// Compressed when that is shorter and possible (no character whose low byte is 00).
// A text that starts with U+FEFF would read back as compressed if stored plainly, so
// it is always compressed; throws zav::Failure when it cannot be. Memos over 1,024
// characters must not be compressed: the caller passes mayCompress false for them.
std::vector<std::uint8_t> EncodeJetText(std::u16string_view text, bool mayCompress);

// Plain UTF-16LE, as names in table definitions are stored.
std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view text);

}  // namespace zav::mdb
