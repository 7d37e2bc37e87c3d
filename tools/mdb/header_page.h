// Page 0, the database definition page: the file's signature, the Jet version byte and
// the block that readers decrypt with a fixed RC4 key (database key, code page, sort
// order, creation date).
#pragma once

#include <cstdint>
#include <span>

namespace zav::mdb {

inline constexpr std::uint16_t kDefaultCodePage = 1252;
inline constexpr std::uint32_t kGeneralSortOrder = 0x0409;
inline constexpr std::size_t kHeaderKeyedStart = 0x18;
inline constexpr std::size_t kHeaderKeyedLength = 128;

void FillHeaderPage(std::span<std::uint8_t> page);

}  // namespace zav::mdb
