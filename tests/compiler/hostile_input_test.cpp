// End to end: what a hostile tree or command line does to zavbuild now. Special files as
// inputs are reported instead of hanging the run (every run has a time limit, so a
// regression fails), links in the output folder are never written through, and names
// that would leave the folder or split a line are refused with one report line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <zlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "reader/library_reader.h"
#include "tests/compiler/zavbuild_runner.h"
#include "tests/support/special_entries.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::string kBanner = "Zavora SVG Library Compiler\n";
const std::vector<std::string> kArgs = {"lib", "src", "out"};

class HostileInputTest : public zavtest::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Put("src/copyright.txt", "(c)");
    MakeFolder("out");
  }
  zavtest::ZavbuildResult Run(std::vector<std::string> args = kArgs, unsigned threads = 1) {
    return zavtest::RunZavbuild({std::move(args), Path(), std::nullopt, std::nullopt, threads});
  }
  static std::string Failed(const std::string& reportLine) { return kBanner + "  compiling...\n" + reportLine + "\n"; }
  std::set<std::string> Names(const std::string& relative) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(Path(relative))) names.insert(entry.path().filename().string());
    return names;
  }
  zavtest::BoundSocket socket_;
};

enum class Special { Fifo, Device, Socket };

struct InputCase {
  const char* name;
  const char* relative;  // the entry made special, below the temp folder
  Special kind;
  const char* reportLine;  // "@" stands for the temp folder
};

void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

class SpecialInputTest : public HostileInputTest, public ::testing::WithParamInterface<std::tuple<InputCase, unsigned>> {};

// Before, a FIFO held zavbuild in open() for ever, and a device was stored as an empty
// drawing.
TEST_P(SpecialInputTest, IsReportedInsteadOfReadOrWaitedFor) {
  const auto& [c, threads] = GetParam();
  Put("src/a.svg", "<a/>");
  Put("src/a.svg.inf", "[INFO]\n");
  Put("src/b.svgz.inf", "[INFO]\n");
  Put("src/b.svgz", std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00", 20));
  const std::string path = Path(c.relative);
  fs::remove(path);
  switch (c.kind) {
    case Special::Fifo: ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); break;
    case Special::Device: fs::create_symlink("/dev/zero", path); break;
    case Special::Socket: ASSERT_TRUE(socket_.Bind(path)); break;
  }
  const zavtest::ZavbuildResult result = Run(kArgs, threads);
  std::string expected = c.reportLine;
  if (const std::size_t at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, Path());
  EXPECT_EQ(result.output, Failed(expected));
  EXPECT_EQ(result.status, 1);
  for (const std::string& name : Names("out")) {
    EXPECT_EQ(name, "a.svgz") << "no library, no temporary file; only an earlier symbol's side file";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SpecialInputTest,
    ::testing::Combine(
        ::testing::Values(
            InputCase{"CopyrightFifo", "src/copyright.txt", Special::Fifo,
                      "EFOpenError: Cannot open file \"@/src/copyright.txt\". Not a regular file"},
            InputCase{"DescriptorFifo", "src/a.svg.inf", Special::Fifo,
                      "EFOpenError: Cannot open file \"@/src/a.svg.inf\". Not a regular file"},
            InputCase{"SvgFifo", "src/a.svg", Special::Fifo,
                      "Exception: Cannot open file \"@/src/a.svg\". Not a regular file a.svg"},
            InputCase{"SvgzFifo", "src/b.svgz", Special::Fifo, "Exception: Not a regular file b.svgz"},
            InputCase{"SvgDevice", "src/a.svg", Special::Device,
                      "Exception: Cannot open file \"@/src/a.svg\". Not a regular file a.svg"},
            InputCase{"SvgSocket", "src/a.svg", Special::Socket,
                      "Exception: Cannot open file \"@/src/a.svg\". Not a regular file a.svg"}),
        ::testing::Values(1u, 3u)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "On" + std::to_string(std::get<1>(info.param));
    });

// A link named like a side file or the library stops the run before anything goes
// through it; the link and whatever it leads to stay as they were.
TEST_F(HostileInputTest, ALinkInTheOutputFolderIsReportedAndLeftAsItIs) {
  Put("src/a.svg", "<a/>");
  Put("src/a.svg.inf", "[INFO]\n");
  Put("target", "kept");
  struct LinkCase {
    const char* name;
    const char* to;
    std::string reportLine;
  };
  for (const LinkCase& c :
       {LinkCase{"a.svgz", "../target", "Exception: File already exitst: out/a.svgz"},
        LinkCase{"a.svgz", "../nowhere", "Exception: File already exitst: out/a.svgz"},
        LinkCase{"a.svgz", "../src", "Exception: File already exitst: out/a.svgz"},
        LinkCase{"lib.zavlibsvg", "../target",
                 "EFCreateError: Cannot create file \"" + Path("out/lib.zavlibsvg") + "\". Is a symbolic link"},
        LinkCase{"lib.zavlibsvg", "../nowhere",
                 "EFCreateError: Cannot create file \"" + Path("out/lib.zavlibsvg") + "\". Is a symbolic link"}}) {
    fs::remove_all(Path("out"));
    MakeFolder("out");
    fs::create_symlink(c.to, Path("out/") + c.name);
    for (const unsigned threads : {1u, 3u}) {
      const zavtest::ZavbuildResult result = Run(kArgs, threads);
      EXPECT_EQ(result.output, Failed(c.reportLine)) << c.name << " -> " << c.to;
      EXPECT_EQ(result.status, 1);
      EXPECT_EQ(Names("out"), std::set<std::string>{c.name}) << c.name << " -> " << c.to;
      EXPECT_EQ(fs::read_symlink(Path("out/") + c.name), c.to);
      EXPECT_EQ(Read(Path("target")), "kept");
      EXPECT_FALSE(Exists(Path("nowhere")));
    }
  }
}

// A FIFO where the index goes once held zavbuild in open() until a reader came.
TEST_F(HostileInputTest, AFifoInTheOutputFolderIsReportedNotWaitedFor) {
  ASSERT_EQ(::mkfifo(Path("out/LIBSVG.txt").c_str(), 0600), 0);
  const zavtest::ZavbuildResult result = Run();
  EXPECT_EQ(result.output,
            Failed("EFCreateError: Cannot create file \"" + Path("out/LIBSVG.txt") + "\". Not a regular file"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Names("out"), std::set<std::string>{"LIBSVG.txt"});
}

struct NameCase {
  const char* name;
  std::string libraryName;
  const char* reportLine;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class LibraryNameTest : public HostileInputTest, public ::testing::WithParamInterface<NameCase> {};

// "../escaped" once wrote the library beside the output folder with exit 0, and CR LF
// in the name split every index line.
TEST_P(LibraryNameTest, IsRefusedBeforeAnyFileIsTouched) {
  const NameCase& c = GetParam();
  const zavtest::ZavbuildResult result = Run({c.libraryName, "src", "out"});
  EXPECT_EQ(result.output, Failed(c.reportLine));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Names("out"), std::set<std::string>{});
  EXPECT_EQ(Names(""), (std::set<std::string>{"out", "src"}));
}

INSTANTIATE_TEST_SUITE_P(
    Names, LibraryNameTest,
    ::testing::Values(NameCase{"Parent", "../escaped", "Exception: Invalid library name: ../escaped"},
                      NameCase{"Slash", "sub/lib", "Exception: Invalid library name: sub/lib"},
                      NameCase{"Backslash", "sub\\lib", "Exception: Invalid library name: sub\\lib"},
                      NameCase{"Dot", ".", "Exception: Invalid library name: ."},
                      NameCase{"DotDot", "..", "Exception: Invalid library name: .."},
                      NameCase{"LineBreak", "li\r\nb", "Exception: Invalid library name: li\\r\\nb"},
                      NameCase{"Escape", "li\x1b[2Jb", "Exception: Invalid library name: li\\x1b[2Jb"}),
    [](const auto& info) { return std::string(info.param.name); });

// A symbol file named "a<CR><LF>X=@lib:evil.svg" once added a fake alias line.
TEST_F(HostileInputTest, ASymbolNameWithAControlCharacterIsRefusedOnOneLine) {
  Put("src/a\r\nX=@lib:evil.svg", "<a/>");
  Put("src/a\r\nX=@lib:evil.svg.inf", "[INFO]\n");
  for (const unsigned threads : {1u, 3u}) {
    const zavtest::ZavbuildResult result = Run(kArgs, threads);
    EXPECT_EQ(result.output, Failed("Exception: Control character in symbol name: src/a\\r\\nX=@lib:evil.svg"));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(Names("out"), std::set<std::string>{});
  }
}

// Folder names are not refused, but a line break in one never splits the report line.
TEST_F(HostileInputTest, AReportLineStaysOneLine) {
  Put("src/two\nlines/a.svg.inf", "[INFO]\n");
  const zavtest::ZavbuildResult result = Run();
  EXPECT_EQ(result.output, Failed("Exception: Not matching file for src/two\\nlines/a.svg.inf"));
}

struct StopCase {
  const char* name;
  int signal;
  unsigned threads;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class StopTest : public HostileInputTest, public ::testing::WithParamInterface<StopCase> {};

// A signal once left the temporary library behind. The run is caught in the middle for
// sure: a lease on a descriptor file (as a file server takes) holds zavbuild in its
// open(), and tells the holder so (SIGIO); the temporary library exists by then.
TEST_P(StopTest, ASignalRemovesTheTemporaryLibraryAndEndsTheRun) {
  const StopCase& c = GetParam();
  Put("src/a.svg", "<a/>");
  Put("src/a.svg.inf", "[INFO]\n");
  Put("src/b.svg", "<b/>");
  const std::string held = Put("src/b.svg.inf", "[INFO]\n");
  Put("out/lib.zavlibsvg", "earlier");
  zavtest::HeldLease lease;
  if (!lease.Take(held, F_WRLCK)) GTEST_SKIP() << "no leases here: " << std::strerror(errno);
  const zavtest::StartedZavbuild started =
      zavtest::StartZavbuild({kArgs, Path(), std::nullopt, std::nullopt, c.threads});
  EXPECT_TRUE(lease.WaitUntilSomeoneWaits());
  ::kill(started.pid, c.signal);
  lease.Release();  // a zavbuild that ignored the signal would now finish, and fail the test
  const zavtest::ZavbuildResult result = zavtest::FinishZavbuild(started);
  EXPECT_EQ(result.status, 128 + c.signal);
  EXPECT_EQ(result.output, kBanner + "  compiling...\n");
  EXPECT_EQ(Read(Path("out/lib.zavlibsvg")), "earlier");
  for (const std::string& name : Names("out")) {
    EXPECT_TRUE(name == "lib.zavlibsvg" || name == "a.svgz") << name << " left behind";
  }
}

INSTANTIATE_TEST_SUITE_P(Signals, StopTest,
                         ::testing::Values(StopCase{"Term", SIGTERM, 1}, StopCase{"Int", SIGINT, 1},
                                           StopCase{"Hup", SIGHUP, 1}, StopCase{"TermOnThreeThreads", SIGTERM, 3},
                                           StopCase{"IntOnThreeThreads", SIGINT, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

std::uint32_t LE32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return value;
}

// A small file that inflates to `contentBytes` zero bytes.
std::string GzipBomb(std::size_t contentBytes) {
  z_stream strm{};
  EXPECT_EQ(deflateInit2(&strm, 9, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY), Z_OK);
  const std::string zeros(std::size_t{1} << 20, '\0');
  std::string out(4096, '\0');
  std::size_t produced = 0;
  for (std::size_t fed = 0; fed <= contentBytes;) {
    const std::size_t piece = std::min(zeros.size(), contentBytes - fed);
    const bool last = fed + piece == contentBytes;
    strm.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    strm.avail_in = static_cast<uInt>(piece);
    int rc;
    do {
      if (produced == out.size()) out.resize(out.size() * 2);
      strm.next_out = reinterpret_cast<Bytef*>(out.data() + produced);
      strm.avail_out = static_cast<uInt>(out.size() - produced);
      rc = deflate(&strm, last ? Z_FINISH : Z_NO_FLUSH);
      produced = out.size() - strm.avail_out;
    } while (strm.avail_in > 0 || (last && rc != Z_STREAM_END));
    fed += piece;
    if (last) break;
  }
  deflateEnd(&strm);
  out.resize(produced);
  return out;
}

// A .svgz of 260 KB that inflates to 256 MiB once made zavbuild hold all of it, and
// more while it grew; the content now streams into the block's compressor.
TEST_F(HostileInputTest, AnSvgzBombIsStreamedNotHeld) {
  constexpr std::size_t kContentBytes = std::size_t{256} << 20;
  const std::string bomb = GzipBomb(kContentBytes);
  Put("src/bomb.svgz", bomb);
  Put("src/bomb.svgz.inf", "[INFO]\n");
  const zavtest::ZavbuildResult result = Run();
  ASSERT_EQ(result.output, kBanner + "  compiling...\n  done\n\n");
  EXPECT_LT(result.peakRssKiB, 96 * 1024) << "the content is never held whole";
  EXPECT_EQ(Read(Path("out/bomb.svgz")), bomb);
  // Only the block's member is read back: its content is the bomb's 256 MiB.
  zav::reader::Library library = zav::reader::ReadLibrary(Path("out/lib.zavlibsvg"));
  ASSERT_EQ(library.blocks.size(), 1u);
  const zav::reader::Block& block = library.blocks[0];
  std::string member(block.length, '\0');
  library.file.ReadAt(block.MemberAt(), {reinterpret_cast<std::uint8_t*>(member.data()), member.size()});
  // The block's member says how long its content is, and the content's CRC.
  ASSERT_GT(member.size(), 18u);
  EXPECT_EQ(LE32At(member, member.size() - 4), static_cast<std::uint32_t>(kContentBytes));
  EXPECT_EQ(LE32At(member, member.size() - 8), LE32At(bomb, bomb.size() - 8));
}

}  // namespace
