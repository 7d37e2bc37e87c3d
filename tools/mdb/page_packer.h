// Packs rows into data pages (or long-value pages, owner "LVAL") as they come, taking
// page numbers from one shared counter, and renders the pages into the file at the end.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "tools/mdb/jet_format.h"

namespace zav::mdb {

class PageNumbers {
 public:
  explicit PageNumbers(std::uint32_t first) : next_(first) {}
  std::uint32_t Take() { return next_++; }
  std::uint32_t Count() const { return next_; }

 private:
  std::uint32_t next_;
};

struct RowPlace {
  std::uint32_t page = 0;
  std::uint32_t row = 0;
  std::uint32_t Pointer() const { return DataPointer(page, row); }
};

class PagePacker {
 public:
  // owner: the 4 bytes after the free-space field, the table definition's page or "LVAL".
  PagePacker(PageNumbers& numbers, std::array<std::uint8_t, 4> owner);
  static std::array<std::uint8_t, 4> OwnedBy(std::uint32_t definitionPage);
  static std::array<std::uint8_t, 4> LongValues();

  // row must be at most kMaxRowBytes long.
  RowPlace Place(std::vector<std::uint8_t> row);
  std::vector<std::uint8_t>& RowAt(RowPlace place);  // to fill in a pointer found later
  std::vector<std::uint32_t> PageList() const;
  void RenderInto(std::vector<std::uint8_t>& file) const;

 private:
  struct Page {
    std::uint32_t number = 0;
    std::size_t used = kDataPageHeader;
    std::vector<std::vector<std::uint8_t>> rows;
  };
  PageNumbers& numbers_;
  std::array<std::uint8_t, 4> owner_;
  std::vector<Page> pages_;
};

}  // namespace zav::mdb
