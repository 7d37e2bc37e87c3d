#include "compiler/library_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/compiler/memory_sink.h"
#include "compiler/deflater.h"
#include "platform/failure.h"
#include "compiler/file_sink.h"
#include "platform/handles.h"
#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"

namespace {

using zavtest::Bytes;
using zavtest::SameBytes;

std::span<const std::uint8_t> AsSpan(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}
std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

const std::string kAbcMember = Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x4B, 0x4C,
                                      0x4A, 0x06, 0x00, 0xC2, 0x41, 0x24, 0x35, 0x03, 0x00, 0x00, 0x00});

TEST(LibraryWriterTest, ReproducesTheWorkedLayout) {
  zavtest::MemorySink sink;
  zav::LibraryWriter writer(sink);
  writer.WriteHeader();
  EXPECT_TRUE(SameBytes(Bytes({0x00, 0x0B, 0x02, 0x02}) + "zavsymlibsvg" +
                            Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}),
                        Text(sink.bytes())));
  writer.WriteCopyrightBlock("Hello World\r\n");
  EXPECT_EQ(writer.AppendBlock(AsSpan(kAbcMember)), 42);
  writer.MarkIndexOffset();
  const std::string indexMember = "INDEXMEMBER";  // the writer does not look inside
  EXPECT_EQ(writer.AppendBlock(AsSpan(indexMember)), 69);
  writer.FinishLibrary();
  const std::string expected = Bytes({0x00, 0x0B, 0x02, 0x02}) + "zavsymlibsvg" + Bytes({0x00, 0x00, 0x00, 0x00}) +
                               Bytes({0x45, 0x00, 0x00, 0x00, 0xFF}) + Bytes({0x0D, 0x00, 0x00, 0x00}) +
                               "Hello World\r\n" + Bytes({0x17, 0x00, 0x00, 0x00}) + kAbcMember +
                               Bytes({0x0B, 0x00, 0x00, 0x00}) + "INDEXMEMBER" + "zav";
  EXPECT_TRUE(SameBytes(expected, Text(sink.bytes())));
}

TEST(LibraryWriterTest, EmptyCopyrightPutsTheFirstBlockAt29) {
  zavtest::MemorySink sink;
  zav::LibraryWriter writer(sink);
  writer.WriteHeader();
  writer.WriteCopyrightBlock("");
  writer.MarkIndexOffset();
  std::vector<std::uint8_t> member;
  zav::Deflater().CompressMember({}, member);
  EXPECT_EQ(writer.AppendBlock(member), 29);
  writer.FinishLibrary();
  const std::string bytes = Text(sink.bytes());
  EXPECT_TRUE(SameBytes(Bytes({0x1D, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}), bytes.substr(20, 9)));
  EXPECT_TRUE(SameBytes(Bytes({0x14, 0x00, 0x00, 0x00, 0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B,
                               0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}) + "zav",
                        bytes.substr(29)));
}

// The limit is the size the file must never reach: offsets are signed 32-bit numbers.
TEST(LibraryWriterTest, StopsBeforeTheLibraryReachesItsLimit) {
  const std::uint64_t finishedSize = 25 + 4 + 4 + kAbcMember.size() + 3;  // 62
  for (const std::uint64_t limit : {finishedSize + 1, finishedSize, finishedSize - 3, std::uint64_t{40}}) {
    zavtest::MemorySink sink;
    zav::LibraryWriter writer(sink, limit);
    bool failed = false;
    try {
      writer.WriteHeader();
      writer.WriteCopyrightBlock("");
      writer.MarkIndexOffset();
      writer.AppendBlock(AsSpan(kAbcMember));
      writer.FinishLibrary();
    } catch (const zav::Failure& f) {
      failed = true;
      EXPECT_EQ(zav::KindWord(f.kind), "Exception");
      EXPECT_EQ(f.message, "The library exceeds the format's 2 GiB limit");
      EXPECT_LT(sink.Size(), limit);
    }
    EXPECT_EQ(failed, limit <= finishedSize) << "limit " << limit;
  }
  EXPECT_EQ(zav::kFormatLimitBytes, 2147483648u);
}

class FileSinkTest : public zavtest::TempDirTest {};

TEST_F(FileSinkTest, OverwritesInTheBufferAndInTheFile) {
  const std::string path = Path("lib");
  zav::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644));
  ASSERT_TRUE(fd);
  zav::FileSink sink(fd.get(), 8);  // tiny buffer: every path through Append is taken
  sink.Append(AsSpan("0123456"));
  sink.Append(AsSpan("789"));                  // flushes the first seven
  sink.Append(AsSpan("ABCDEFGHIJKLMNOPQRS"));  // larger than the buffer: written directly
  sink.Append(AsSpan("xy"));
  EXPECT_EQ(sink.Size(), 31u);
  sink.Overwrite(5, AsSpan("-----"));  // across the file and the flushed buffer
  sink.Overwrite(29, AsSpan("!"));     // still in the buffer
  sink.Flush();
  EXPECT_EQ(Read(path), "01234-----ABCDEFGHIJKLMNOPQRS!y");
}

TEST_F(FileSinkTest, AFullDiskIsAWriteError) {
  zav::UniqueFd full(::open("/dev/full", O_WRONLY));
  if (!full) GTEST_SKIP() << "/dev/full is not available here";
  zav::FileSink sink(full.get(), 16);
  sink.Append(AsSpan("header"));
  try {
    sink.Append(AsSpan("a block longer than the buffer"));
    ADD_FAILURE();
  } catch (const zav::Failure& f) {
    EXPECT_EQ(zav::KindWord(f.kind), "EWriteError");
    EXPECT_EQ(f.message, "Stream write error");
  }
}

}  // namespace
