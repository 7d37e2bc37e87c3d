// The columns follow the catalog Access itself writes, so that readers binding any of
// them by name find it; the ones this writer has no use for stay NULL.
#include "tools/mdb/catalog.h"

#include <bit>

namespace zav::mdb {
namespace {

constexpr std::uint16_t kTableObject = 1;
constexpr std::uint32_t kSystemObjectFlags = 0x80000002;
constexpr std::uint32_t kTablesContainer = 0x0F000001;
constexpr double kCreated = 36526.0;  // 2000-01-01, fixed so regenerated files match

JetColumn Fixed(const char16_t* name, JetType type, std::uint16_t width) {
  return JetColumn{name, type, width, true, 0, 0};
}
JetColumn Variable(const char16_t* name, JetType type, std::uint16_t lengthBytes) {
  return JetColumn{name, type, lengthBytes, false, 0, 0};
}

Cell Bytes(std::vector<std::uint8_t> bytes) { return Cell{false, std::move(bytes)}; }
Cell Long(std::uint32_t value) {
  std::vector<std::uint8_t> bytes;
  AppendU32(bytes, value);
  return Bytes(std::move(bytes));
}
Cell Date(double days) {
  const auto bits = std::bit_cast<std::uint64_t>(days);
  std::vector<std::uint8_t> bytes;
  AppendU32(bytes, static_cast<std::uint32_t>(bits));
  AppendU32(bytes, static_cast<std::uint32_t>(bits >> 32));
  return Bytes(std::move(bytes));
}

}  // namespace

JetTable CatalogTable() {
  JetTable table;
  table.name = kCatalogName;
  table.system = true;
  table.columns = {
      Fixed(u"Id", JetType::Long, 4),
      Fixed(u"ParentId", JetType::Long, 4),
      Variable(u"Name", JetType::Text, 510),
      Fixed(u"Type", JetType::Int16, 2),
      Fixed(u"DateCreate", JetType::DateTime, 8),
      Fixed(u"DateUpdate", JetType::DateTime, 8),
      Fixed(u"Flags", JetType::Long, 4),
      Variable(u"Database", JetType::Memo, 0),
      Variable(u"Connect", JetType::Memo, 0),
      Variable(u"ForeignName", JetType::Text, 510),
      Variable(u"Lv", JetType::Ole, 0),
      Variable(u"LvProp", JetType::Ole, 0),
      Variable(u"LvModule", JetType::Ole, 0),
      Variable(u"LvExtra", JetType::Ole, 0),
  };
  AssignRowPlaces(table.columns);
  return table;
}

std::vector<Cell> CatalogRow(const CatalogObject& object) {
  std::vector<std::uint8_t> name;
  for (char16_t unit : object.name) AppendU16(name, unit);
  std::vector<std::uint8_t> type;
  AppendU16(type, kTableObject);
  std::vector<Cell> row(CatalogTable().columns.size());
  row[0] = Long(object.definitionPage);
  row[1] = Long(kTablesContainer);
  row[2] = Bytes(std::move(name));
  row[3] = Bytes(std::move(type));
  row[4] = Date(kCreated);
  row[5] = Date(kCreated);
  row[6] = Long(object.system ? kSystemObjectFlags : 0);
  return row;
}

}  // namespace zav::mdb
