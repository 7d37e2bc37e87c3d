// The content of an already compressed symbol: every gzip member of the file, one after
// another, as gunzip gives it. Anything that is not gzip data through to the last byte
// is refused, so the library never stores a symbol cut short. The content is handed on
// in pieces as it is inflated, so that a small file that inflates to gigabytes (a
// "zip bomb") costs no more memory than a piece.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zav {

using ContentPiece = std::function<void(std::span<const std::uint8_t>)>;

// Hands the content to `take` piece by piece, inflated into `buffer` (kept between
// calls; sized here). Throws Failure(General, "Invalid gzip data: <zlib's text>"),
// possibly after some pieces were handed on.
void GunzipInPieces(std::span<const std::uint8_t> gzipBytes, std::vector<std::uint8_t>& buffer,
                    const ContentPiece& take);

// The whole content at once, replacing `content`; the same failures.
void GunzipAll(std::span<const std::uint8_t> gzipBytes, std::vector<std::uint8_t>& content);

}  // namespace zav
