// The index compressed while it grows gives the bytes of the index compressed whole.
#include "compiler/index_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "compiler/deflater.h"
#include "compiler/index_text.h"
#include "tests/support/bytes.h"

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// What "LIBSVG.txt" receives: the stream's pieces, joined.
std::string FileBytes(const zav::IndexStream& index) {
  std::string bytes;
  for (const auto piece : index.FilePieces()) bytes.append(reinterpret_cast<const char*>(piece.data()), piece.size());
  return bytes;
}

// The whole index in one go: the mark, then every line.
std::string IndexFileBytes(const std::vector<std::string>& lines) {
  std::string bytes = "\xEF\xBB\xBF";
  for (const std::string& line : lines) zav::AppendIndexFileLine(bytes, line);
  return bytes;
}

std::size_t ThreadCount() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<std::size_t>(std::distance(tasks, std::filesystem::directory_iterator()));
}

TEST(IndexStreamTest, BackgroundMemberIsTheMemberOfTheWholeIndex) {
  std::vector<std::string> lines;
  for (int i = 0; i < 9000; ++i) {  // several pieces, the last one partly full
    lines.push_back("maps:sym" + std::to_string(i) + "=" + std::to_string(29 + i * 731) + "|Symbol " +
                    std::to_string(i) + "|Group " + std::to_string(i % 13));
    if (i % 3 == 0) lines.push_back("ID-" + std::to_string(i) + "=@maps:sym" + std::to_string(i));
  }
  lines.push_back("bad \xFF byte");
  const std::string whole = IndexFileBytes(lines);
  std::vector<std::uint8_t> expected;
  zav::Deflater().CompressMember({reinterpret_cast<const std::uint8_t*>(whole.data()), whole.size()}, expected);

  for (const bool inBackground : {false, true}) {
    zav::IndexStream index(inBackground);
    for (const std::string& line : lines) index.AppendLine(line);
    EXPECT_TRUE(zavtest::SameBytes(whole, FileBytes(index))) << inBackground;
    EXPECT_TRUE(zavtest::SameBytes(Text(expected), Text(index.TakeMember()))) << inBackground;
  }
}

TEST(IndexStreamTest, EmptyIndexIsTheMarkAlone) {
  zav::IndexStream index(true);
  EXPECT_EQ(FileBytes(index), "\xEF\xBB\xBF");
  std::vector<std::uint8_t> expected;
  zav::Deflater().CompressMember({reinterpret_cast<const std::uint8_t*>("\xEF\xBB\xBF"), 3}, expected);
  EXPECT_TRUE(zavtest::SameBytes(Text(expected), Text(index.TakeMember())));
}

// A failed run drops the index half made: the compressor, handed pieces of a member it
// never finishes, stops with the stream, and its thread is gone when the stream is.
TEST(IndexStreamTest, DroppedUnfinished) {
  const std::size_t threadsBefore = ThreadCount();
  {
    zav::IndexStream index(true);
    ASSERT_EQ(ThreadCount(), threadsBefore + 1) << "no compressor thread to stop";
    for (int i = 0; i < 20000; ++i) index.AppendLine("maps:sym" + std::to_string(i) + "=1|a|b");
    ASSERT_GT(index.FilePieces().size(), 2u) << "the compressor was given no pieces";
  }
  EXPECT_EQ(ThreadCount(), threadsBefore) << "the compressor outlived its stream";
}

}  // namespace
