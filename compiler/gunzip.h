// The content of an already compressed symbol: every gzip member of the file, one after
// another, as gunzip gives it. Anything that is not gzip data through to the last byte
// is refused, so the library never stores a symbol cut short.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace zav {

// Replaces `content`; throws Failure(General, "Invalid gzip data: <zlib's text>").
void GunzipAll(std::span<const std::uint8_t> gzipBytes, std::vector<std::uint8_t>& content);

}  // namespace zav
