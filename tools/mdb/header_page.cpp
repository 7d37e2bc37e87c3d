// The database key must read back as 0: a reader takes any other value to mean that
// every page is encrypted. The block is stored RC4-encrypted, so zeros go in as plain
// text and through the cipher.
#include "tools/mdb/header_page.h"

#include <array>
#include <bit>
#include <cstring>
#include <numeric>
#include <string_view>
#include <utility>

#include "tools/mdb/jet_format.h"

namespace zav::mdb {
namespace {

constexpr std::array<std::uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};
constexpr std::string_view kSignature{"Standard Jet DB\0", 16};
constexpr std::size_t kSignatureAt = 0x04;
constexpr std::size_t kVersionAt = 0x14;
constexpr std::uint8_t kJet4 = 0x01;
constexpr std::size_t kCodePageAt = 0x3C;
constexpr std::size_t kDatabaseKeyAt = 0x3E;
constexpr std::size_t kSortOrderAt = 0x6E;
constexpr std::size_t kCreatedAt = 0x72;
// 2000-01-01 as a Jet date (days since 1899-12-30): a fixed stamp keeps the bytes of a
// regenerated example the same.
constexpr double kCreationDate = 36526.0;

void Rc4(std::span<std::uint8_t> bytes, std::span<const std::uint8_t> key) {
  std::array<std::uint8_t, 256> state{};
  std::iota(state.begin(), state.end(), 0);
  std::uint8_t j = 0;
  for (std::size_t i = 0; i < state.size(); ++i) {
    j = static_cast<std::uint8_t>(j + state[i] + key[i % key.size()]);
    std::swap(state[i], state[j]);
  }
  std::uint8_t a = 0;
  std::uint8_t b = 0;
  for (std::uint8_t& byte : bytes) {
    a = static_cast<std::uint8_t>(a + 1);
    b = static_cast<std::uint8_t>(b + state[a]);
    std::swap(state[a], state[b]);
    byte ^= state[static_cast<std::uint8_t>(state[a] + state[b])];
  }
}

}  // namespace

void FillHeaderPage(std::span<std::uint8_t> page) {
  std::memset(page.data(), 0, page.size());
  page[0] = static_cast<std::uint8_t>(PageType::Header);
  page[1] = 0x01;
  std::memcpy(page.data() + kSignatureAt, kSignature.data(), kSignature.size());
  page[kVersionAt] = kJet4;
  PutU16(page.data() + kCodePageAt, kDefaultCodePage);
  PutU32(page.data() + kDatabaseKeyAt, 0);
  PutU32(page.data() + kSortOrderAt, kGeneralSortOrder);
  const auto date = std::bit_cast<std::uint64_t>(kCreationDate);
  PutU32(page.data() + kCreatedAt, static_cast<std::uint32_t>(date));
  PutU32(page.data() + kCreatedAt + 4, static_cast<std::uint32_t>(date >> 32));
  Rc4(page.subspan(kHeaderKeyedStart, kHeaderKeyedLength), kHeaderKey);
}

}  // namespace zav::mdb
