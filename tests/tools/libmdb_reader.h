// Reads a table back through libmdb itself, the way the front end's import does: open,
// catalog, table by name, columns bound as text, rows fetched in storage order.
#pragma once

#include <mdbtools.h>

#include <memory>
#include <string>
#include <vector>

namespace zavtest {

struct MdbClose {
  void operator()(MdbHandle* handle) const noexcept { mdb_close(handle); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbClose>;
struct TableFree {
  void operator()(MdbTableDef* table) const noexcept { mdb_free_tabledef(table); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableFree>;

struct ReadColumn {
  std::string name;
  int type = 0;
  int size = 0;
};

struct ReadBack {
  std::string error;  // empty when the table was read
  std::vector<std::string> tables;
  std::vector<ReadColumn> columns;
  std::vector<std::vector<std::string>> rows;  // libmdb gives NULL as the empty text
};

// Large enough for a 10,000-character Japanese memo in UTF-8.
inline constexpr std::size_t kBindSize = 64 * 1024;

inline ReadBack ReadWithLibmdb(const std::string& path, const std::string& tableName) {
  ReadBack out;
  MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
  if (!mdb) {
    out.error = "mdb_open failed";
    return out;
  }
  mdb_set_bind_size(mdb.get(), kBindSize);
  if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) {
    out.error = "mdb_read_catalog failed";
    return out;
  }
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (mdb_is_user_table(entry)) out.tables.push_back(entry->object_name);
  }
  std::string name = tableName;
  TablePtr table(mdb_read_table_by_name(mdb.get(), name.data(), MDB_TABLE));
  if (!table) {
    out.error = "mdb_read_table_by_name failed";
    return out;
  }
  if (!mdb_read_columns(table.get())) {
    out.error = "mdb_read_columns failed";
    return out;
  }
  const unsigned count = table->num_cols;
  std::vector<std::vector<char>> buffers(count, std::vector<char>(kBindSize + 1));
  std::vector<int> lengths(count, 0);
  for (unsigned i = 0; i < count; ++i) {
    auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    out.columns.push_back(ReadColumn{column->name, column->col_type, column->col_size});
    mdb_bind_column(table.get(), static_cast<int>(i + 1), buffers[i].data(), &lengths[i]);
  }
  mdb_rewind_table(table.get());
  while (mdb_fetch_row(table.get())) {
    std::vector<std::string> row;
    for (unsigned i = 0; i < count; ++i) {
      row.emplace_back(buffers[i].data(), static_cast<std::size_t>(lengths[i]));
    }
    out.rows.push_back(std::move(row));
  }
  return out;
}

}  // namespace zavtest
