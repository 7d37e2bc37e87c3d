// The reader opens only regular files, without blocking: a FIFO without a writer, a
// device or a folder is refused at once with the system's words.
#include "reader/library_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/failure.h"
#include "reader/library_reader.h"
#include "tests/support/temp_dir.h"

namespace {

class LibraryFileTest : public zavtest::TempDirTest {
 protected:
  std::string OpenFailure(const std::string& path) {
    try {
      zav::reader::LibraryFile::Open(path);
    } catch (const zav::Failure& failure) {
      EXPECT_EQ(failure.kind, zav::ErrorKind::FileOpen);
      return failure.message;
    }
    return "opened";
  }
};

TEST_F(LibraryFileTest, RefusesAnythingButARegularFile) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
  MakeFolder("folder");
  EXPECT_EQ(OpenFailure(Path("fifo")), "Cannot open file \"" + Path("fifo") + "\". Is a FIFO, not a regular file");
  EXPECT_EQ(OpenFailure("/dev/null"), "Cannot open file \"/dev/null\". Is a device, not a regular file");
  EXPECT_EQ(OpenFailure(Path("folder")), "Cannot open file \"" + Path("folder") + "\". Is a directory");
  EXPECT_EQ(OpenFailure(Path("missing")), "Cannot open file \"" + Path("missing") + "\". No such file or directory");
}

TEST_F(LibraryFileTest, ReadsByPositionAndStopsAtTheEnd) {
  const auto file = zav::reader::LibraryFile::Open(Put("f", "0123456789"));
  EXPECT_EQ(file.Size(), 10u);
  std::uint8_t bytes[4] = {};
  EXPECT_EQ(file.ReadAt(8, bytes), 2u);
  EXPECT_EQ(bytes[0], '8');
  EXPECT_EQ(file.ReadAt(20, bytes), 0u);
}

TEST_F(LibraryFileTest, TakesTheLibraryNameFromTheFileName) {
  EXPECT_EQ(zav::reader::LibraryNameFromPath("out/korimo.zavlibsvg"), "korimo");
  EXPECT_EQ(zav::reader::LibraryNameFromPath("a:b.zavlibsvg"), "a:b");
  EXPECT_EQ(zav::reader::LibraryNameFromPath("plain"), "plain");
}

}  // namespace
