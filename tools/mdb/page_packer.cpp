// Rows fill a page from its end towards the offset table; the first row ends at the
// last byte of the page, each next one just before the previous.
#include "tools/mdb/page_packer.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace zav::mdb {

PagePacker::PagePacker(PageNumbers& numbers, std::array<std::uint8_t, 4> owner)
    : numbers_(numbers), owner_(owner) {}

std::array<std::uint8_t, 4> PagePacker::OwnedBy(std::uint32_t definitionPage) {
  std::array<std::uint8_t, 4> owner{};
  PutU32(owner.data(), definitionPage);
  return owner;
}

std::array<std::uint8_t, 4> PagePacker::LongValues() { return {'L', 'V', 'A', 'L'}; }

RowPlace PagePacker::Place(std::vector<std::uint8_t> row) {
  assert(row.size() <= kMaxRowBytes);
  const std::size_t cost = row.size() + kRowOffsetSize;
  if (pages_.empty() || pages_.back().used + cost > kPageSize ||
      pages_.back().rows.size() == kMaxRowsPerPage) {
    pages_.push_back(Page{numbers_.Take(), kDataPageHeader, {}});
  }
  Page& page = pages_.back();
  page.used += cost;
  page.rows.push_back(std::move(row));
  return RowPlace{page.number, static_cast<std::uint32_t>(page.rows.size() - 1)};
}

std::vector<std::uint8_t>& PagePacker::RowAt(RowPlace place) {
  // One packer's page numbers only grow, so the list is sorted.
  const auto page = std::lower_bound(pages_.begin(), pages_.end(), place.page,
                                     [](const Page& p, std::uint32_t n) { return p.number < n; });
  assert(page != pages_.end() && page->number == place.page);
  return page->rows.at(place.row);
}

std::vector<std::uint32_t> PagePacker::PageList() const {
  std::vector<std::uint32_t> numbers;
  for (const Page& page : pages_) numbers.push_back(page.number);
  return numbers;
}

void PagePacker::RenderInto(std::vector<std::uint8_t>& file) const {
  for (const Page& page : pages_) {
    std::uint8_t* base = file.data() + static_cast<std::size_t>(page.number) * kPageSize;
    base[0] = static_cast<std::uint8_t>(PageType::Data);
    base[1] = 0x01;
    PutU16(base + 2, static_cast<std::uint32_t>(kPageSize - page.used));
    std::memcpy(base + 4, owner_.data(), owner_.size());
    PutU16(base + 12, static_cast<std::uint32_t>(page.rows.size()));
    std::size_t end = kPageSize;
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
      const std::vector<std::uint8_t>& row = page.rows[i];
      end -= row.size();
      std::memcpy(base + end, row.data(), row.size());
      PutU16(base + kDataPageHeader + i * kRowOffsetSize, static_cast<std::uint32_t>(end));
    }
  }
}

}  // namespace zav::mdb
