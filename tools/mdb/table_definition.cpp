// No indexes are written: readers then scan the table's data pages through its usage
// map, in the order the rows were placed.
#include "tools/mdb/table_definition.h"

#include <cstring>

#include "tools/mdb/jet_text.h"

namespace zav::mdb {
namespace {

constexpr std::size_t kPageHeader = 8;  // type, 01, free space, next page
constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::size_t kColumnEntrySize = 25;
constexpr std::uint8_t kFixedFlag = 0x01;
constexpr std::uint8_t kNullableFlag = 0x02;
constexpr std::uint8_t kCompressedUnicode = 0x01;
constexpr std::uint16_t kGeneralSortOrder = 0x0409;

bool IsTextual(JetType type) { return type == JetType::Text || type == JetType::Memo; }

void AppendColumnEntry(std::vector<std::uint8_t>& out, const JetColumn& column,
                       std::uint16_t number) {
  const std::size_t at = out.size();
  out.resize(at + kColumnEntrySize, 0);
  std::uint8_t* entry = out.data() + at;
  entry[0] = static_cast<std::uint8_t>(column.type);
  PutU16(entry + 5, number);
  PutU16(entry + 7, column.fixed ? 0 : column.varIndex);
  PutU16(entry + 9, number);
  if (IsTextual(column.type)) PutU16(entry + 11, kGeneralSortOrder);
  entry[15] = static_cast<std::uint8_t>(kNullableFlag | (column.fixed ? kFixedFlag : 0));
  entry[16] = IsTextual(column.type) ? kCompressedUnicode : 0;
  PutU16(entry + 21, column.fixed ? column.fixedOffset : 0);
  PutU16(entry + 23, column.lengthBytes);
}

}  // namespace

std::vector<std::uint8_t> EncodeDefinition(const JetTable& table, std::uint32_t usedMapPointer,
                                           std::uint32_t freeMapPointer) {
  std::uint16_t varCount = 0;
  for (const JetColumn& column : table.columns) varCount += column.fixed ? 0 : 1;
  const auto columnCount = static_cast<std::uint16_t>(table.columns.size());

  std::vector<std::uint8_t> out(63, 0);
  out[0] = static_cast<std::uint8_t>(PageType::TableDefinition);
  out[1] = 0x01;
  PutU32(out.data() + 16, table.rowCount);
  out[40] = table.system ? kSystemTable : kUserTable;
  PutU16(out.data() + 41, columnCount);  // most columns a row holds
  PutU16(out.data() + 43, varCount);
  PutU16(out.data() + 45, columnCount);
  PutU32(out.data() + 47, 0);  // logical indexes
  PutU32(out.data() + 51, 0);  // index entries
  PutU32(out.data() + 55, usedMapPointer);
  PutU32(out.data() + 59, freeMapPointer);
  for (std::uint16_t i = 0; i < columnCount; ++i) AppendColumnEntry(out, table.columns[i], i);
  for (const JetColumn& column : table.columns) {
    const std::vector<std::uint8_t> name = Utf16LeBytes(column.name);
    AppendU16(out, static_cast<std::uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
  }
  AppendU16(out, 0xFFFF);  // end of the (empty) list of per-column usage maps
  PutU32(out.data() + 8, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::size_t DefinitionPageCount(std::size_t definitionBytes) {
  if (definitionBytes <= kPageSize) return 1;
  const std::size_t rest = definitionBytes - kPageSize;
  return 1 + (rest + (kPageSize - kPageHeader) - 1) / (kPageSize - kPageHeader);
}

void SplitDefinition(const std::vector<std::uint8_t>& definition,
                     const std::vector<std::uint32_t>& pages, std::vector<std::uint8_t>& file) {
  std::size_t taken = 0;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    std::uint8_t* base = file.data() + static_cast<std::size_t>(pages[i]) * kPageSize;
    // The first page carries the header inside the definition bytes; later pages get
    // their own 8-byte header before the continuation.
    const std::size_t start = i == 0 ? 0 : kPageHeader;
    const std::size_t length = std::min(kPageSize - start, definition.size() - taken);
    std::memcpy(base + start, definition.data() + taken, length);
    taken += length;
    base[0] = static_cast<std::uint8_t>(PageType::TableDefinition);
    base[1] = 0x01;
    PutU16(base + 2, static_cast<std::uint32_t>(kPageSize - start - length));
    PutU32(base + 4, i + 1 < pages.size() ? pages[i + 1] : 0);
  }
}

}  // namespace zav::mdb
