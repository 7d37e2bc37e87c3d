// What the file layer opens: only regular files, through links for reading but never
// for writing, and never waiting on a FIFO or device. Each kind of entry is made for
// real in the temp folder; a regression that blocks is ended by the test's time limit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/file_io.h"
#include "platform/pending_file.h"
#include "platform/sys_error.h"
#include "tests/support/special_entries.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

enum class Entry { Regular, Fifo, Device, Socket, Folder, LinkToFile, LinkToFolder, Dangling, LinkToFifo };

struct KindCase {
  const char* name;
  Entry entry;
  int reading;   // TryOpenForReading and TryReadWholeFile
  int creating;  // TryCreateFile, CreateAlways, links not followed
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class SpecialFileTest : public zavtest::TempDirTest, public ::testing::WithParamInterface<KindCase> {
 protected:
  // The entry under test at "entry"; "target" holds "old" where a link leads to a file.
  std::string Make(Entry entry) {
    const std::string path = Path("entry");
    switch (entry) {
      case Entry::Regular: Put("entry", "old"); break;
      case Entry::Fifo: EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0); break;
      case Entry::Device: return "/dev/null";
      case Entry::Socket: EXPECT_TRUE(socket_.Bind(path)); break;
      case Entry::Folder: MakeFolder("entry"); break;
      case Entry::LinkToFile: Put("target", "old"); fs::create_symlink("target", path); break;
      case Entry::LinkToFolder: MakeFolder("target"); fs::create_symlink("target", path); break;
      case Entry::Dangling: fs::create_symlink("target", path); break;
      case Entry::LinkToFifo:
        EXPECT_EQ(::mkfifo(Path("target").c_str(), 0600), 0);
        fs::create_symlink("target", path);
        break;
    }
    return path;
  }

  zavtest::BoundSocket socket_;
};

TEST_P(SpecialFileTest, ReadsOnlyRegularFilesWithoutWaiting) {
  const KindCase& c = GetParam();
  const std::string path = Make(c.entry);
  zav::UniqueFd fd;
  EXPECT_EQ(zav::TryOpenForReading(path, fd), c.reading) << zav::SystemErrorText(c.reading);
  EXPECT_EQ(static_cast<bool>(fd), c.reading == 0);
  std::string bytes;
  EXPECT_EQ(zav::TryReadWholeFile(path, bytes), c.reading);
  if (c.reading == 0) {
    EXPECT_EQ(bytes, "old");
    EXPECT_EQ(::fcntl(fd.get(), F_GETFL) & O_NONBLOCK, 0) << "reads block again once the file is known";
  }
}

TEST_P(SpecialFileTest, WritesOnlyRegularFilesAndNeverThroughALink) {
  const KindCase& c = GetParam();
  const std::string path = Make(c.entry);
  zav::UniqueFd fd;
  EXPECT_EQ(zav::TryCreateFile(path, {}, fd), c.creating) << zav::SystemErrorText(c.creating);
  if (c.creating == 0) {
    ASSERT_EQ(zav::TryWriteAll(fd.get(), std::string_view("new")), 0);
    ASSERT_EQ(fd.Close(), 0);
    EXPECT_EQ(Read(path), "new");
  }
  if (c.entry == Entry::LinkToFile || c.entry == Entry::Dangling) {
    EXPECT_TRUE(fs::is_symlink(path)) << "the link is left as it was";
    EXPECT_EQ(Exists(Path("target")), c.entry == Entry::LinkToFile);
    if (c.entry == Entry::LinkToFile) {
      EXPECT_EQ(Read(Path("target")), "old");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialFileTest,
    ::testing::Values(
        KindCase{"Regular", Entry::Regular, 0, 0},
        KindCase{"Fifo", Entry::Fifo, zav::kNotRegularFile, zav::kNotRegularFile},
        KindCase{"Device", Entry::Device, zav::kNotRegularFile, zav::kNotRegularFile},
        KindCase{"Socket", Entry::Socket, zav::kNotRegularFile, zav::kNotRegularFile},
        KindCase{"Folder", Entry::Folder, EISDIR, EISDIR},
        KindCase{"LinkToFile", Entry::LinkToFile, 0, zav::kIsSymbolicLink},
        KindCase{"LinkToFolder", Entry::LinkToFolder, EISDIR, zav::kIsSymbolicLink},
        KindCase{"DanglingLink", Entry::Dangling, ENOENT, zav::kIsSymbolicLink},
        KindCase{"LinkToFifo", Entry::LinkToFifo, zav::kNotRegularFile, zav::kIsSymbolicLink}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayerErrorTextTest, NamesEachRefusal) {
  EXPECT_EQ(zav::SystemErrorText(zav::kNotRegularFile), "Not a regular file");
  EXPECT_EQ(zav::SystemErrorText(zav::kIsSymbolicLink), "Is a symbolic link");
  EXPECT_EQ(zav::SystemErrorText(zav::kThroughSymbolicLink), "A folder on the path is a symbolic link");
  EXPECT_EQ(zav::SystemErrorText(zav::kOutsideFolder), "Outside the folder it must be in");
}

using LeaseTest = zavtest::TempDirTest;

// A lease (a file server's oplock) makes a non-blocking open fail at once; the layer
// waits for it as a plain open did, and the holder is told to let go.
TEST_F(LeaseTest, AFileUnderALeaseIsWaitedFor) {
  const std::string path = Put("leased", "bytes");
  zavtest::HeldLease lease;
  if (!lease.Take(path, F_RDLCK)) GTEST_SKIP() << "no leases here: " << std::strerror(errno);
  // A read lease holds back writers only: the open for writing waits for it.
  const pid_t child = ::fork();
  if (child == 0) {
    zav::UniqueFd fd;
    _exit(zav::TryCreateFile(path, {.disposition = zav::Disposition::OpenAlways}, fd) == 0 ? 0 : 1);
  }
  EXPECT_TRUE(lease.WaitUntilSomeoneWaits());
  lease.Release();
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
