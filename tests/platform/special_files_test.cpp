// What the file layer opens: only regular files, through links for reading but never
// for writing, and never waiting on a FIFO or device. Each kind of entry is made for
// real in the temp folder; a regression that blocks is ended by the test's time limit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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
      case Entry::Socket: MakeSocket(path); break;
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

  void MakeSocket(const std::string& path) {
    socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socket_, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
  }

  void TearDown() override {
    if (socket_ >= 0) ::close(socket_);
    TempDirTest::TearDown();
  }

  int socket_ = -1;
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
  const int holder = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  if (::fcntl(holder, F_SETLEASE, F_RDLCK) != 0) {
    ::close(holder);
    GTEST_SKIP() << "no leases here: " << std::strerror(errno);
  }
  // A read lease holds back writers only: the open for writing breaks it. The holder
  // lets go when told (SIGIO), here from a child that waits for nothing but the lease.
  sigset_t io;
  sigemptyset(&io);
  sigaddset(&io, SIGIO);
  ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &io, nullptr), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    zav::UniqueFd fd;
    _exit(zav::TryCreateFile(path, {.disposition = zav::Disposition::OpenAlways}, fd) == 0 ? 0 : 1);
  }
  const timespec limit{60, 0};  // only a regression that never asks comes near it
  EXPECT_EQ(sigtimedwait(&io, nullptr, &limit), SIGIO);
  EXPECT_EQ(::fcntl(holder, F_SETLEASE, F_UNLCK), 0);
  ::close(holder);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(pthread_sigmask(SIG_UNBLOCK, &io, nullptr), 0);
}

}  // namespace
