// The file layer's calls: every outcome of one write, whole-file reads, and what each
// way of creating does where the name is free or taken.
#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/write_loop.h"
#include "tests/support/temp_dir.h"

namespace {

// One write as the fake system call gives it: bytes moved, or -1 with an errno.
struct Step {
  ssize_t result;
  int error = 0;
};

struct WriteCase {
  const char* name;
  std::string bytes;
  std::vector<Step> steps;        // the answers of successive writes
  int expected;                   // what the loop returns
  std::size_t calls;              // writes tried
  std::vector<std::uint64_t> at;  // where each write tried started
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

class WriteLoopTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteLoopTest, DecidesEachOutcomeOfAWrite) {
  const WriteCase& c = GetParam();
  const std::string& bytes = c.bytes;
  std::vector<std::uint64_t> at;
  std::string written;
  const int result = zav::WriteEvery(
      {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
      [&](const std::uint8_t* data, std::size_t size, std::uint64_t done) -> ssize_t {
        at.push_back(done);
        if (at.size() > c.steps.size()) {
          ADD_FAILURE() << "one write too many";
          errno = EFAULT;
          return -1;
        }
        const Step step = c.steps[at.size() - 1];
        if (step.result < 0) {
          errno = step.error;
          return -1;
        }
        EXPECT_LE(static_cast<std::size_t>(step.result), size);
        written.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(step.result));
        return step.result;
      });
  EXPECT_EQ(result, c.expected) << std::strerror(result);
  EXPECT_EQ(at.size(), c.calls);
  EXPECT_EQ(at, c.at);
  if (c.expected == 0) {
    EXPECT_EQ(written, bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, WriteLoopTest,
    ::testing::Values(WriteCase{"AllAtOnce", "abcdef", {{6}}, 0, 1, {0}},
                      WriteCase{"InPieces", "abcdef", {{1}, {2}, {3}}, 0, 3, {0, 1, 3}},
                      WriteCase{"InterruptedThenDone", "abcdef", {{2}, {-1, EINTR}, {4}}, 0, 3, {0, 2, 2}},
                      // No progress is a full disk that did not say so: told, never looped on.
                      WriteCase{"NoProgressIsENOSPC", "abcdef", {{2}, {0}}, ENOSPC, 2, {0, 2}},
                      WriteCase{"FailureGivesItsErrno", "abcdef", {{3}, {-1, EIO}}, EIO, 2, {0, 3}},
                      WriteCase{"FullDisk", "abcdef", {{-1, ENOSPC}}, ENOSPC, 1, {0}},
                      WriteCase{"NothingToWrite", "", {}, 0, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

using FileIoTest = zavtest::TempDirTest;

TEST_F(FileIoTest, ReadsWholeFilesOrTellsWhy) {
  Put("empty", "");
  Put("text", std::string("a\0b\r\n", 5));
  MakeFolder("folder");
  struct ReadCase {
    const char* name;
    int expected;
    std::string bytes;
  };
  for (const ReadCase& c : {ReadCase{"empty", 0, ""}, ReadCase{"text", 0, std::string("a\0b\r\n", 5)},
                            ReadCase{"folder", EISDIR, ""}, ReadCase{"missing", ENOENT, ""},
                            ReadCase{"text/below", ENOTDIR, ""}}) {
    std::string bytes = "left over";
    EXPECT_EQ(zav::TryReadWholeFile(Path(c.name), bytes), c.expected) << c.name;
    if (c.expected == 0) {
      EXPECT_EQ(bytes, c.bytes) << c.name;
    }
  }
  std::vector<std::uint8_t> reused(1000, 'x');
  ASSERT_EQ(zav::TryReadWholeFile(Path("text"), reused), 0);
  EXPECT_EQ(reused.size(), 5u);
  EXPECT_GE(reused.capacity(), 1000u) << "a buffer reused from file to file keeps its room";
}

struct CreateCase {
  const char* name;
  zav::Disposition disposition;
  std::optional<std::string> before;  // nullopt: the name is free
  int expected;
  std::optional<std::string> after;  // after writing "new"; nullopt: no file
};

void PrintTo(const CreateCase& c, std::ostream* os) { *os << c.name; }

class CreateFileTest : public zavtest::TempDirTest, public ::testing::WithParamInterface<CreateCase> {};

TEST_P(CreateFileTest, CreatesAsItsDispositionSays) {
  const CreateCase& c = GetParam();
  const std::string path = Path("file");
  if (c.before) Put("file", *c.before);
  zav::UniqueFd fd;
  ASSERT_EQ(zav::TryCreateFile(path, {.disposition = c.disposition}, fd), c.expected);
  if (c.expected == 0) {
    ASSERT_EQ(zav::TryWriteAll(fd.get(), std::string_view("new")), 0);
    ASSERT_EQ(fd.Close(), 0);
  }
  EXPECT_EQ(Exists(path), c.after.has_value());
  if (c.after) {
    EXPECT_EQ(Read(path), *c.after);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dispositions, CreateFileTest,
    ::testing::Values(
        CreateCase{"CreateAlwaysMakes", zav::Disposition::CreateAlways, std::nullopt, 0, "new"},
        CreateCase{"CreateAlwaysTruncates", zav::Disposition::CreateAlways, "older", 0, "new"},
        CreateCase{"CreateNewMakes", zav::Disposition::CreateNew, std::nullopt, 0, "new"},
        CreateCase{"CreateNewRefusesATakenName", zav::Disposition::CreateNew, "older", EEXIST, "older"},
        CreateCase{"OpenAlwaysMakes", zav::Disposition::OpenAlways, std::nullopt, 0, "new"},
        CreateCase{"OpenAlwaysKeepsTheBytes", zav::Disposition::OpenAlways, "older", 0, "newer"},
        CreateCase{"TruncateExistingNeedsAFile", zav::Disposition::TruncateExisting, std::nullopt, ENOENT,
                   std::nullopt},
        CreateCase{"TruncateExistingTruncates", zav::Disposition::TruncateExisting, "older", 0, "new"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileIoTest, ALinkAtTheNameIsFollowedOnlyWhenAsked) {
  Put("target", "old");
  std::filesystem::create_symlink("target", Path("link"));
  zav::UniqueFd fd;
  EXPECT_EQ(zav::TryCreateFile(Path("link"), {}, fd), zav::kIsSymbolicLink);
  EXPECT_EQ(zav::TryCreateFile(Path("link"), {.disposition = zav::Disposition::CreateNew}, fd), EEXIST);
  EXPECT_EQ(Read(Path("target")), "old");
  ASSERT_EQ(zav::TryCreateFile(Path("link"), {.followLinks = true}, fd), 0);
  ASSERT_EQ(zav::TryWriteAll(fd.get(), std::string_view("new")), 0);
  EXPECT_EQ(Read(Path("target")), "new");
}

TEST_F(FileIoTest, WritesAtAnOffsetWithoutMovingTheFilePosition) {
  const std::string path = Put("file", "0123456789");
  zav::UniqueFd fd;
  ASSERT_EQ(zav::TryCreateFile(path, {.disposition = zav::Disposition::OpenAlways}, fd), 0);
  const std::uint8_t patch[] = {'a', 'b'};
  ASSERT_EQ(zav::TryWriteAllAt(fd.get(), patch, 4), 0);
  ASSERT_EQ(zav::TryWriteAll(fd.get(), std::string_view("X")), 0);
  ASSERT_EQ(fd.Close(), 0);
  EXPECT_EQ(Read(path), "X123ab6789");
}

TEST_F(FileIoTest, SyncsAndRenamesOrTellsWhy) {
  const std::string path = Put("a", "bytes");
  zav::UniqueFd fd;
  ASSERT_EQ(zav::TryOpenForReading(path, fd), 0);
  EXPECT_EQ(zav::TrySyncFile(fd.get()), 0);
  EXPECT_EQ(zav::TrySyncFolder(Path()), 0);
  EXPECT_EQ(zav::TrySyncFolder(Path("none")), ENOENT);
  EXPECT_EQ(zav::TrySyncFolder(path), ENOTDIR);
  EXPECT_EQ(zav::TryRenameFile(path, Path("b")), 0);
  EXPECT_EQ(Read(Path("b")), "bytes");
  EXPECT_EQ(zav::TryRenameFile(path, Path("c")), ENOENT);
}

}  // namespace
