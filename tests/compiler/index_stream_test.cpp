// The index compressed while it grows gives the bytes of the index compressed whole.
#include "compiler/index_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/deflater.h"
#include "compiler/index_text.h"
#include "tests/support/bytes.h"

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(IndexStreamTest, BackgroundMemberIsTheMemberOfTheWholeIndex) {
  std::vector<std::string> lines;
  for (int i = 0; i < 9000; ++i) {  // several pieces, the last one partly full
    lines.push_back("maps:sym" + std::to_string(i) + "=" + std::to_string(29 + i * 731) + "|Symbol " +
                    std::to_string(i) + "|Group " + std::to_string(i % 13));
    if (i % 3 == 0) lines.push_back("ID-" + std::to_string(i) + "=@maps:sym" + std::to_string(i));
  }
  lines.push_back("bad \xFF byte");
  const std::string whole = zav::IndexFileBytes(lines);
  std::vector<std::uint8_t> expected;
  zav::Deflater().CompressMember({reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()}, expected);

  for (const bool inBackground : {false, true}) {
    zav::IndexStream index(inBackground);
    for (const std::string& line : lines) index.AppendLine(line);
    EXPECT_TRUE(zavtest::SameBytes(whole, index.FileBytes())) << inBackground;
    EXPECT_TRUE(zavtest::SameBytes(Text(expected), Text(index.TakeMember()))) << inBackground;
  }
}

TEST(IndexStreamTest, EmptyIndexIsTheMarkAlone) {
  zav::IndexStream index(true);
  EXPECT_EQ(index.FileBytes(), "\xEF\xBB\xBF");
  std::vector<std::uint8_t> expected;
  zav::Deflater().CompressMember({reinterpret_cast<const std::uint8_t*>("\xEF\xBB\xBF"), 3}, expected);
  EXPECT_TRUE(zavtest::SameBytes(Text(expected), Text(index.TakeMember())));
}

// A failed run drops the index half made: the compressor stops and nothing hangs.
TEST(IndexStreamTest, DroppedUnfinished) {
  zav::IndexStream index(true);
  for (int i = 0; i < 20000; ++i) index.AppendLine("maps:sym" + std::to_string(i) + "=1|a|b");
}

}  // namespace
