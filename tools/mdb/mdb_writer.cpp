// Lays a checked model out in pages: header, global usage map, catalog definition,
// the user tables' definitions, the catalog's rows, each table's long values and rows,
// and last the pages that hold every table's usage maps. The whole file is built in
// memory, then written under a temporary name and renamed.
#include "tools/mdb/mdb_writer.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <optional>

#include "tools/mdb/catalog.h"
#include "platform/failure.h"
#include "platform/file_io.h"
#include "platform/pending_file.h"
#include "tools/mdb/header_page.h"
#include "tools/mdb/jet_text.h"
#include "tools/mdb/model_check.h"
#include "tools/mdb/page_packer.h"
#include "tools/mdb/row_format.h"
#include "platform/sys_error.h"
#include "tools/mdb/table_definition.h"
#include "platform/unicode.h"

namespace zav::mdb {
namespace {

constexpr std::uint32_t kGlobalMapPage = 1;
constexpr std::size_t kMemoFieldSize = 12;
constexpr std::size_t kInlineMemoBytes = 64;  // longer memos go to long-value pages
constexpr std::uint32_t kMemoInline = 0x80000000;
constexpr std::uint32_t kMemoOneRow = 0x40000000;
constexpr std::uint32_t kMaxMemoBytes = 0x00FFFFFF;  // what three length bytes can say
constexpr std::size_t kMaxCompressibleMemoChars = 1024;
constexpr std::size_t kChainLinkSize = 4;  // next long-value row of a memo in pieces
constexpr std::size_t kMapHeader = 5;      // map type 00 and the first page it covers
constexpr std::size_t kMinMapBytes = 64;

JetTable ToJetTable(const Table& table) {
  JetTable jet;
  jet.name = Utf8ToUtf16(table.name);
  jet.rowCount = static_cast<std::uint32_t>(table.rows.size());
  for (const Column& column : table.columns) {
    JetColumn out;
    out.name = Utf8ToUtf16(column.name);
    switch (column.type) {
      case ColumnType::Long:
        out.type = JetType::Long;
        out.lengthBytes = 4;
        out.fixed = true;
        break;
      case ColumnType::Text:
        out.type = JetType::Text;
        out.lengthBytes = static_cast<std::uint16_t>(column.textChars * 2);
        break;
      case ColumnType::Memo:
        out.type = JetType::Memo;
        break;
    }
    jet.columns.push_back(out);
  }
  AssignRowPlaces(jet.columns);
  return jet;
}

std::vector<std::uint8_t> MemoField(std::uint32_t lengthAndFlags, std::uint32_t pointer) {
  std::vector<std::uint8_t> field;
  AppendU32(field, lengthAndFlags);
  AppendU32(field, pointer);
  AppendU32(field, 0);
  return field;
}

// A memo's bytes go inline when short, else into one long-value row, else into a chain
// of rows each starting with the pointer to the next (0 in the last).
Cell StoreMemo(const std::string& text, PagePacker& longValues) {
  const std::u16string units = Utf8ToUtf16(text);
  std::vector<std::uint8_t> bytes = EncodeJetText(units, units.size() <= kMaxCompressibleMemoChars);
  if (bytes.size() > kMaxMemoBytes) {
    Fail("memo of " + std::to_string(units.size()) + " characters takes more than " +
         std::to_string(kMaxMemoBytes) + " bytes");
  }
  const auto length = static_cast<std::uint32_t>(bytes.size());
  if (bytes.size() <= kInlineMemoBytes) {
    std::vector<std::uint8_t> field = MemoField(length | kMemoInline, 0);
    field.insert(field.end(), bytes.begin(), bytes.end());
    return Cell{false, std::move(field)};
  }
  if (bytes.size() <= kMaxRowBytes) {
    const RowPlace place = longValues.Place(std::move(bytes));
    return Cell{false, MemoField(length | kMemoOneRow, place.Pointer())};
  }
  constexpr std::size_t kPiece = kMaxRowBytes - kChainLinkSize;
  std::vector<RowPlace> pieces;
  for (std::size_t at = 0; at < bytes.size(); at += kPiece) {
    std::vector<std::uint8_t> row(kChainLinkSize, 0);
    const std::size_t end = std::min(bytes.size(), at + kPiece);
    row.insert(row.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
               bytes.begin() + static_cast<std::ptrdiff_t>(end));
    pieces.push_back(longValues.Place(std::move(row)));
  }
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    PutU32(longValues.RowAt(pieces[i]).data(), pieces[i + 1].Pointer());
  }
  return Cell{false, MemoField(length, pieces.front().Pointer())};
}

// Throws without the value's place; the caller adds it.
Cell StoreValue(const Value& value, const JetColumn& column, PagePacker& longValues) {
  if (std::holds_alternative<std::monostate>(value)) return Cell{};
  if (const auto* number = std::get_if<std::int32_t>(&value)) {
    std::vector<std::uint8_t> bytes;
    AppendU32(bytes, static_cast<std::uint32_t>(*number));
    return Cell{false, std::move(bytes)};
  }
  const std::string& text = std::get<std::string>(value);
  if (column.type == JetType::Memo) return StoreMemo(text, longValues);
  return Cell{false, EncodeJetText(Utf8ToUtf16(text), true)};
}

std::size_t UsageMapBytes(std::size_t pageSpan) {
  return std::max(kMinMapBytes, kMapHeader + (pageSpan + 7) / 8);
}

// Type 00 map: the first page it covers, then one bit per page from there.
std::vector<std::uint8_t> UsageMap(const std::vector<std::uint32_t>& pages, std::size_t bytes) {
  std::vector<std::uint8_t> map(bytes, 0);
  if (pages.empty()) return map;
  PutU32(map.data() + 1, pages.front());
  for (std::uint32_t page : pages) {
    const std::size_t bit = page - pages.front();
    map[kMapHeader + bit / 8] |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
  return map;
}

struct PlannedTable {
  JetTable jet;
  const Table* source = nullptr;  // null for the catalog
  std::vector<std::uint32_t> definitionPages;
  std::vector<std::vector<Cell>> catalogRows;  // the catalog's rows, ready made
  std::optional<PagePacker> rows;
  std::optional<PagePacker> longValues;
};

// Places a table's rows, and their long values, in pages taken from `numbers`.
void PackRows(PlannedTable& table, PageNumbers& numbers) {
  table.rows.emplace(numbers, PagePacker::OwnedBy(table.definitionPages.front()));
  table.longValues.emplace(numbers, PagePacker::LongValues());
  if (table.source == nullptr) {
    for (const std::vector<Cell>& cells : table.catalogRows) {
      table.rows->Place(EncodeRow(table.jet.columns, cells));
    }
    return;
  }
  const Table& source = *table.source;
  std::vector<Cell> cells(table.jet.columns.size());
  for (std::size_t r = 0; r < source.rows.size(); ++r) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      try {
        cells[c] = StoreValue(source.rows[r][c], table.jet.columns[c], *table.longValues);
      } catch (const Failure& f) {
        throw Failure(f.kind, CellPlace(source, r, source.columns[c]) + ": " + f.message);
      }
    }
    std::vector<std::uint8_t> row = EncodeRow(table.jet.columns, cells);
    if (row.size() > kMaxRowBytes) {
      Fail("table \"" + source.name + "\", row " + std::to_string(r + 1) + ": takes " +
           std::to_string(row.size()) + " bytes, more than the " + std::to_string(kMaxRowBytes) +
           " a page holds");
    }
    table.rows->Place(std::move(row));
  }
}

}  // namespace

std::vector<std::uint8_t> BuildDatabase(const Database& database, Layout& layout) {
  CheckDatabase(database);

  PageNumbers numbers(kGlobalMapPage);
  PagePacker globalMap(numbers, PagePacker::OwnedBy(0));
  const RowPlace globalMapRow = globalMap.Place(std::vector<std::uint8_t>(kMaxRowBytes, 0));

  std::vector<PlannedTable> tables;
  tables.push_back(PlannedTable{CatalogTable(), nullptr, {}, {}, {}, {}});
  for (const Table& table : database.tables) {
    tables.push_back(PlannedTable{ToJetTable(table), &table, {}, {}, {}, {}});
  }
  tables.front().jet.rowCount = static_cast<std::uint32_t>(tables.size());

  // Definitions first, so that the catalog's rows can name their pages.
  for (PlannedTable& table : tables) {
    const std::size_t bytes = EncodeDefinition(table.jet, 0, 0).size();
    for (std::size_t i = 0; i < DefinitionPageCount(bytes); ++i) {
      table.definitionPages.push_back(numbers.Take());
    }
  }
  layout.tableDefinitionPages.clear();
  for (std::size_t i = 1; i < tables.size(); ++i) {
    layout.tableDefinitionPages.push_back(tables[i].definitionPages.front());
  }

  PlannedTable& catalog = tables.front();
  assert(catalog.definitionPages.front() == kCatalogPage);
  for (const PlannedTable& table : tables) {
    const CatalogObject object{table.jet.name, table.definitionPages.front(), table.source == nullptr};
    catalog.catalogRows.push_back(CatalogRow(object));
  }

  // Each table's usage maps go before its rows, so that a file cut short in the rows of
  // one table still has whole maps for the tables before it. A map's size depends on
  // how many pages the rows take, so the rows are first packed once on scratch pages.
  PagePacker maps(numbers, PagePacker::OwnedBy(0));
  std::vector<std::vector<std::uint8_t>> definitions;
  for (PlannedTable& table : tables) {
    PlannedTable trial{table.jet, table.source, table.definitionPages, table.catalogRows, {}, {}};
    PageNumbers scratch(0);
    PackRows(trial, scratch);
    const std::size_t mapBytes = UsageMapBytes(scratch.Count());
    const std::string owner = "table \"" + Utf16ToUtf8(table.jet.name) + "\"";
    if (mapBytes > kMaxRowBytes) {
      Fail(owner + ": spreads over more pages than one usage map can list (" +
           std::to_string((kMaxRowBytes - kMapHeader) * 8) + ")");
    }
    const RowPlace used = maps.Place(std::vector<std::uint8_t>(mapBytes, 0));
    // No page is offered for new rows: a later writer starts its own.
    const RowPlace free = maps.Place(UsageMap({}, UsageMapBytes(0)));
    PackRows(table, numbers);
    maps.RowAt(used) = UsageMap(table.rows->PageList(), mapBytes);
    definitions.push_back(EncodeDefinition(table.jet, used.Pointer(), free.Pointer()));
  }

  const std::uint32_t pageCount = numbers.Count();
  // The global map lists every page it can; readers of this file do not rely on it.
  std::vector<std::uint8_t>& global = globalMap.RowAt(globalMapRow);
  global.assign(kMaxRowBytes, 0);
  for (std::uint32_t page = 0; page < pageCount && page / 8 < kMaxRowBytes - kMapHeader; ++page) {
    global[kMapHeader + page / 8] |= static_cast<std::uint8_t>(1u << (page % 8));
  }

  std::vector<std::uint8_t> file(static_cast<std::size_t>(pageCount) * kPageSize, 0);
  FillHeaderPage(std::span<std::uint8_t>(file.data(), kPageSize));
  globalMap.RenderInto(file);
  for (std::size_t t = 0; t < tables.size(); ++t) {
    SplitDefinition(definitions[t], tables[t].definitionPages, file);
    tables[t].rows->RenderInto(file);
    tables[t].longValues->RenderInto(file);
  }
  maps.RenderInto(file);
  layout.pageCount = pageCount;
  layout.firstDataPages.clear();
  for (std::size_t t = 1; t < tables.size(); ++t) {
    const std::vector<std::uint32_t> pages = tables[t].rows->PageList();
    layout.firstDataPages.push_back(pages.empty() ? 0 : pages.front());
  }
  return file;
}

std::vector<std::uint8_t> BuildDatabase(const Database& database) {
  Layout layout;
  return BuildDatabase(database, layout);
}

void WriteFileAtomically(const std::filesystem::path& out, const std::vector<std::uint8_t>& bytes) {
  PendingFile file;
  if (const int error = file.CreateBeside(out.string(), out.filename().string()); error != 0) {
    throw Failure(ErrorKind::FileCreate, CannotCreateMessage(out.string(), error));
  }
  auto writeFailure = [&](int error) {
    return Failure(ErrorKind::Write,
                   "cannot write \"" + AbsolutePathText(out.string()) + "\": " + SystemErrorText(error));
  };
  if (const int error = TryWriteAll(file.fd(), bytes); error != 0) throw writeFailure(error);
  if (const int error = file.Commit(); error != 0) throw writeFailure(error);
}

void WriteDatabase(const Database& database, const std::filesystem::path& out) {
  WriteFileAtomically(out, BuildDatabase(database));
}

}  // namespace zav::mdb
