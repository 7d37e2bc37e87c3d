// The Jet 4 layout that the writer's units share: page size, page kinds, column types
// and the little-endian stores every field goes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zav::mdb {

inline constexpr std::size_t kPageSize = 4096;
inline constexpr std::uint32_t kCatalogPage = 2;  // MSysObjects' definition, where readers start

// Data and long-value pages: type, 01, free space, owner, 4 unknown bytes, row count,
// then one 2-byte offset per row; rows fill the page from its end.
inline constexpr std::size_t kDataPageHeader = 14;
inline constexpr std::size_t kRowOffsetSize = 2;
inline constexpr std::size_t kMaxRowBytes = kPageSize - kDataPageHeader - kRowOffsetSize;
inline constexpr std::size_t kMaxRowsPerPage = 255;  // a data pointer holds the row in one byte

enum class PageType : std::uint8_t { Header = 0x00, Data = 0x01, TableDefinition = 0x02 };

enum class JetType : std::uint8_t {
  Int16 = 0x03,
  Long = 0x04,
  DateTime = 0x08,
  Text = 0x0A,
  Ole = 0x0B,
  Memo = 0x0C,
};

struct JetColumn {
  std::u16string name;
  JetType type = JetType::Text;
  std::uint16_t lengthBytes = 0;  // fixed width, Text's size in bytes, 0 for Memo and OLE
  bool fixed = false;
  std::uint16_t fixedOffset = 0;  // fixed columns: where in the fixed area
  std::uint16_t varIndex = 0;     // variable columns: entry in the row's offset table
};

struct JetTable {
  std::u16string name;
  bool system = false;
  std::vector<JetColumn> columns;
  std::uint32_t rowCount = 0;
};

inline void PutU16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void AppendU16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// A row's address: page number in the upper three bytes, row number in the lowest.
inline std::uint32_t DataPointer(std::uint32_t page, std::uint32_t row) {
  return (page << 8) | row;
}

}  // namespace zav::mdb
