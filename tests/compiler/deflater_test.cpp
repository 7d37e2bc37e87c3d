#include "compiler/deflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "compiler/gunzip.h"
#include "tests/support/bytes.h"

namespace {

using zavtest::Bytes;
using zavtest::SameBytes;

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }
std::vector<std::uint8_t> Vec(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

TEST(DeflaterTest, WritesTheFixedMembersOfAbcAndOfEmptyInputAgainAndAgain) {
  zav::Deflater deflater;
  std::vector<std::uint8_t> member;
  // Alternating shows that one reused state starts every member afresh.
  for (int round = 0; round < 3; ++round) {
    deflater.CompressMember(Vec("abc"), member);
    EXPECT_TRUE(SameBytes(Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x4B, 0x4C,
                                 0x4A, 0x06, 0x00, 0xC2, 0x41, 0x24, 0x35, 0x03, 0x00, 0x00, 0x00}),
                          Text(member)));
    deflater.CompressMember({}, member);
    EXPECT_TRUE(SameBytes(Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x03, 0x00,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}),
                          Text(member)));
  }
}

TEST(DeflaterTest, LargeInputsRoundTripWithTheirTrailer) {
  std::mt19937 random(7);
  std::vector<std::uint8_t> input(3 * 1024 * 1024 + 17);
  for (std::size_t i = 0; i < input.size(); ++i) {
    // Half random (output larger than a first guess), half repetitive.
    input[i] = i < input.size() / 2 ? static_cast<std::uint8_t>(random()) : static_cast<std::uint8_t>(i % 7);
  }
  zav::Deflater deflater;
  std::vector<std::uint8_t> member;
  deflater.CompressMember(input, member);
  ASSERT_GE(member.size(), 18u);
  EXPECT_TRUE(SameBytes(Bytes({0x1F, 0x8B, 0x08, 0x00, 0, 0, 0, 0, 0x02, 0x0B}), Text(member).substr(0, 10)));
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, input.data(), static_cast<uInt>(input.size())));
  const std::size_t n = member.size();
  EXPECT_EQ(member[n - 8] | member[n - 7] << 8 | member[n - 6] << 16 | static_cast<std::uint32_t>(member[n - 5]) << 24, crc);
  EXPECT_EQ(member[n - 4] | member[n - 3] << 8 | member[n - 2] << 16 | static_cast<std::uint32_t>(member[n - 1]) << 24,
            input.size());
  std::vector<std::uint8_t> back;
  zav::GunzipAll(member, back);
  EXPECT_TRUE(back == input);
}

// The index is compressed while it grows; its member must be the one the whole text
// gives, however the text was cut, and the state must serve the next member afresh.
TEST(DeflaterTest, MemberFedInPiecesIsTheMemberOfTheWhole) {
  std::mt19937 random(11);
  std::string text;
  while (text.size() < 900000) {
    text += "maps:symbol" + std::to_string(random() % 50000) + "=" + std::to_string(random()) + "|Caption " +
            std::to_string(random() % 300) + "|Group\r\n";
  }
  const std::vector<std::uint8_t> input = Vec(text);
  zav::Deflater deflater;
  std::vector<std::uint8_t> whole;
  deflater.CompressMember(input, whole);
  for (const std::size_t largestPiece : {std::size_t{1}, std::size_t{300}, std::size_t{70000}}) {
    std::vector<std::uint8_t> pieces;
    deflater.BeginMember(pieces);
    for (std::size_t at = 0; at < input.size();) {
      const std::size_t piece = std::min<std::size_t>(input.size() - at, 1 + random() % largestPiece);
      deflater.FeedMember(std::span(input).subspan(at, piece), pieces);
      at += piece;
    }
    deflater.FinishMember(pieces);
    EXPECT_TRUE(SameBytes(Text(whole), Text(pieces))) << "pieces up to " << largestPiece;
  }
  std::vector<std::uint8_t> after;
  deflater.CompressMember(Vec("abc"), after);
  EXPECT_TRUE(SameBytes(Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x4B, 0x4C, 0x4A,
                               0x06, 0x00, 0xC2, 0x41, 0x24, 0x35, 0x03, 0x00, 0x00, 0x00}),
                        Text(after)));
}

TEST(GunzipAllTest, JoinsEveryMember) {
  zav::Deflater deflater;
  std::vector<std::uint8_t> first, second, content;
  deflater.CompressMember(Vec("<svg>"), first);
  deflater.CompressMember(Vec("</svg>"), second);
  first.insert(first.end(), second.begin(), second.end());
  zav::GunzipAll(first, content);
  EXPECT_EQ(Text(content), "<svg></svg>");
}

TEST(GunzipAllTest, RefusesWhatIsNotGzipDataToTheLastByte) {
  zav::Deflater deflater;
  std::vector<std::uint8_t> member, content;
  deflater.CompressMember(Vec("<svg/>"), member);
  std::vector<std::uint8_t> truncated(member.begin(), member.end() - 1);
  std::vector<std::uint8_t> trailing = member;
  trailing.push_back('x');
  std::vector<std::uint8_t> badCrc = member;
  badCrc[member.size() - 6] ^= 1;
  struct Case {
    std::vector<std::uint8_t> bytes;
    const char* message;
  };
  for (const Case& c : {Case{{}, "Invalid gzip data: empty file"},
                        Case{Vec("<svg/>"), "Invalid gzip data: incorrect header check"},
                        Case{truncated, "Invalid gzip data: unexpected end of data"},
                        Case{trailing, "Invalid gzip data: unexpected end of data"},
                        Case{badCrc, "Invalid gzip data: incorrect data check"}}) {
    try {
      zav::GunzipAll(c.bytes, content);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const zav::Failure& f) {
      EXPECT_EQ(zav::KindWord(f.kind), "Exception");
      EXPECT_EQ(f.message, c.message);
    }
  }
}

}  // namespace
