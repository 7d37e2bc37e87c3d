// End to end: the built zavbuild on small trees, whole files and console lines compared.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/compiler/library_reader.h"
#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/compiler/zavbuild_runner.h"

namespace {

using zavtest::Bytes;
using zavtest::SameBytes;

// Characters (code points) of a UTF-8 text, as the path limits count them.
std::size_t LengthOf(const std::string& utf8) {
  std::size_t count = 0;
  for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
  return count;
}

const std::string kBanner = "Zavora SVG Library Compiler\n";
const std::string kDone = kBanner + "  compiling...\n  done\n\n";
const std::string kUsage = kBanner +
                           "\n"
                           "usage:\n"
                           "  zavbuild.exe name source output\n"
                           "where:\n"
                           "  name        - unique library name\n"
                           "  source      - directory where SVG files resides\n"
                           "  destination - an empty exiting folder where library .zavlibsvg will be produced\n"
                           "\n";
const std::string kAbcMember = Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x4B, 0x4C,
                                      0x4A, 0x06, 0x00, 0xC2, 0x41, 0x24, 0x35, 0x03, 0x00, 0x00, 0x00});

class ZavbuildTest : public zavtest::TempDirTest {
 protected:
  // Runs in the temporary folder, so that relative paths show in messages as formed.
  zavtest::ZavbuildResult Run(std::vector<std::string> args, std::optional<std::string> codePage = std::nullopt) {
    return zavtest::RunZavbuild({std::move(args), Path(), std::move(codePage), std::nullopt});
  }
  static std::string Failed(const std::string& reportLine) { return kBanner + "  compiling...\n" + reportLine + "\n"; }

  std::set<std::string> Names(const std::string& relative) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Path(relative))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
  void Symbol(const std::string& relative, const std::string& content, const std::string& descriptor) {
    Put(relative, content);
    Put(relative + ".inf", descriptor);
  }
};

TEST_F(ZavbuildTest, PrintsTheUsageTextForFewerThanThreeArguments) {
  MakeFolder("src");
  Put("src/copyright.txt", "c");
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"lib"}, {"lib", "src"},
                                               {"", "src", "."}}) {  // an empty argument is dropped
    const zavtest::ZavbuildResult result = Run(args);
    EXPECT_EQ(result.output, kUsage);
    EXPECT_EQ(result.status, 2);
  }
  EXPECT_EQ(Names(""), (std::set<std::string>{"src"}));
}

// Only alone are they requests; with three arguments they are names like any other.
TEST_F(ZavbuildTest, ALoneVersionOrHelpArgumentIsARequest) {
  const zavtest::ZavbuildResult version = Run({"--version"});
  EXPECT_EQ(version.output, "zavbuild " PROJECT_VERSION_TEXT "\n");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(Run({"", "--version"}).output, version.output);  // the empty argument is dropped

  const zavtest::ZavbuildResult help = Run({"--help"});
  EXPECT_EQ(help.output, kUsage +
                         "options, each given alone:\n"
                         "  --help      - this text\n"
                         "  --version   - the version number\n"
                         "environment:\n"
                         "  ZAV_THREADS  - threads a run uses, 1 to 64 (unset: one per core)\n"
                         "  ZAV_CODEPAGE - code page of text files without a byte-order mark, e.g. 932\n"
                         "                 (unset: UTF-8)\n"
                         "exit status: 0 library made, 1 failure reported, 2 usage text printed\n"
                         "\n");
  EXPECT_EQ(help.status, 0);

  for (const std::vector<std::string>& args : {std::vector<std::string>{"--version", "src"},
                                               {"--help", "--version"}}) {
    EXPECT_EQ(Run(args).status, 2);
  }
  Put("src/copyright.txt", "c");
  MakeFolder("out");
  const zavtest::ZavbuildResult named = Run({"--version", "src", "out"});
  EXPECT_EQ(named.output, kDone);
  EXPECT_EQ(Names("out"), (std::set<std::string>{"--version.zavlibsvg", "LIBSVG.txt", "LIBSVG.txtz"}));
}

TEST_F(ZavbuildTest, ReproducesTheWorkedLayout) {
  Put("src/copyright.txt", "Hello World");
  Symbol("src/abc.svg", "abc", "[INFO]\r\nCATEGORY=Test\r\nCAPTION=Letters\r\nUniqueID=L-1\r\n");
  MakeFolder("out");
  const zavtest::ZavbuildResult result = Run({"lib", "src", "out"}, "1252");
  EXPECT_EQ(result.output, kDone);
  EXPECT_EQ(result.status, 0);

  const std::string library = Read(Path("out/lib.zavlibsvg"));
  const std::string expectedHead = Bytes({0x00, 0x0B, 0x02, 0x02}) + "zavsymlibsvg" + Bytes({0, 0, 0, 0}) +
                                   Bytes({0x45, 0x00, 0x00, 0x00, 0xFF}) + Bytes({0x0D, 0x00, 0x00, 0x00}) +
                                   "Hello World\r\n" + Bytes({0x17, 0x00, 0x00, 0x00}) + kAbcMember;
  ASSERT_GT(library.size(), 69u + 4 + 3);
  EXPECT_TRUE(SameBytes(expectedHead, library.substr(0, 69)));
  // The index member's deflate data may differ between zlib releases: its content,
  // header and place are compared instead.
  const std::string indexText = "\xEF\xBB\xBFlib:abc=42|Letters|Test\r\nL-1=@lib:abc\r\n";
  const std::uint32_t indexLength = zavtest::LE32At(library, 69);
  ASSERT_EQ(library.size(), 69u + 4 + indexLength + 3);
  const std::string indexMember = library.substr(73, indexLength);
  EXPECT_EQ(zavtest::Inflated(indexMember), indexText);
  EXPECT_TRUE(SameBytes(Bytes({0x1F, 0x8B, 0x08, 0x00, 0, 0, 0, 0, 0x02, 0x0B}), indexMember.substr(0, 10)));
  EXPECT_EQ(library.substr(library.size() - 3), "zav");

  EXPECT_TRUE(SameBytes(kAbcMember, Read(Path("out/abc.svgz"))));
  EXPECT_TRUE(SameBytes(indexText, Read(Path("out/LIBSVG.txt"))));
  EXPECT_TRUE(SameBytes(indexMember, Read(Path("out/LIBSVG.txtz"))));
  EXPECT_EQ(Names("out"), (std::set<std::string>{"LIBSVG.txt", "LIBSVG.txtz", "abc.svgz", "lib.zavlibsvg"}));
}

TEST_F(ZavbuildTest, AnEmptyTreeGivesAnEmptyIndexRightAfterTheCopyright) {
  Put("src/copyright.txt", "");
  MakeFolder("ansi");
  MakeFolder("utf8");
  ASSERT_EQ(Run({"lib", "src", "ansi"}, "1252").status, 0);
  ASSERT_EQ(Run({"lib", "src", "utf8"}).status, 0);  // no ZAV_CODEPAGE: UTF-8, stored with its mark

  const std::string ansi = Read(Path("ansi/lib.zavlibsvg"));
  EXPECT_TRUE(SameBytes(Bytes({0x1D, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}), ansi.substr(20, 9)));
  const std::string utf8 = Read(Path("utf8/lib.zavlibsvg"));
  EXPECT_TRUE(SameBytes(Bytes({0x20, 0x00, 0x00, 0x00, 0xFF, 0x03, 0x00, 0x00, 0x00, 0xEF, 0xBB, 0xBF}),
                        utf8.substr(20, 12)));
  for (const std::string folder : {"ansi", "utf8"}) {
    zavtest::ParsedLibrary parsed;
    ASSERT_TRUE(zavtest::ParseLibrary(Read(Path(folder + "/lib.zavlibsvg")), parsed));
    ASSERT_EQ(parsed.blocks.size(), 1u);
    EXPECT_EQ(zavtest::Inflated(parsed.blocks[0].member), "\xEF\xBB\xBF");
    EXPECT_EQ(Read(Path(folder + "/LIBSVG.txt")), "\xEF\xBB\xBF");
  }
}

// Subtrees before a folder's own descriptors, listing order with upper-cased names,
// hidden files, ".inf" in any case, and index and alias lines as the blocks lie.
TEST_F(ZavbuildTest, ScansDepthFirstAndWritesTheIndexInBlockOrder) {
  Put("src/copyright.txt", "(c)");
  Symbol("src/z.svg", "<z/>", "[INFO]\nCAPTION=Zed\nUniqueID=DUP\n");
  Put("src/c.svg", "<c/>");
  Put("src/c.svg.INF", "[INFO]\nCATEGORY=Cee\n");
  Symbol("src/.h.svg", "<h/>", "[INFO]\nCAPTION=hidden\n");
  Symbol("src/B/b.svg", "<b/>", "[INFO]\nCAPTION=Bee\n");
  Symbol("src/a/a.svg", "<a/>", "[INFO]\nCAPTION=Ay\nCATEGORY=Cat\nUniqueID=DUP\n");
  Symbol("src/a/deep/d.svg", "<d/>", "");
  Symbol("src/maps.inf/m.svg", "<m/>", "[INFO]\nCAPTION=\xE5\x9C\xB0\xE5\x9B\xB3\n");  // a folder, not a descriptor
  Put("src/x.svg.info", "[INFO]\n");
  Put("src/x.svg", "<x/>");
  MakeFolder("out");
  ASSERT_EQ(Run({"lib", "src", "out"}).output, kDone);

  zavtest::ParsedLibrary parsed;
  ASSERT_TRUE(zavtest::ParseLibrary(Read(Path("out/lib.zavlibsvg")), parsed));
  const std::vector<std::string> contents = {"<d/>", "<a/>", "<b/>", "<m/>", "<h/>", "<c/>", "<z/>"};
  ASSERT_EQ(parsed.blocks.size(), contents.size() + 1);
  for (std::size_t i = 0; i < contents.size(); ++i) EXPECT_EQ(zavtest::Inflated(parsed.blocks[i].member), contents[i]);
  const auto at = [&](std::size_t i) { return std::to_string(parsed.blocks[i].offset); };
  const std::string expectedIndex = "\xEF\xBB\xBF"
                                    "lib:d=" + at(0) + "||\r\n"
                                    "lib:a=" + at(1) + "|Ay|Cat\r\n"
                                    "DUP=@lib:a\r\n"
                                    "lib:b=" + at(2) + "|Bee|\r\n"
                                    "lib:m=" + at(3) + "|\xE5\x9C\xB0\xE5\x9B\xB3|\r\n"
                                    "lib:.h=" + at(4) + "|hidden|\r\n"
                                    "lib:c=" + at(5) + "||Cee\r\n"
                                    "lib:z=" + at(6) + "|Zed|\r\n"
                                    "DUP=@lib:z\r\n";
  EXPECT_EQ(zavtest::Inflated(parsed.blocks.back().member), expectedIndex);
  EXPECT_EQ(Read(Path("out/LIBSVG.txt")), expectedIndex);
  // Each side file holds exactly the member of its block.
  EXPECT_EQ(Read(Path("out/a.svgz")), parsed.blocks[1].member);
  EXPECT_EQ(Read(Path("out/.h.svgz")), parsed.blocks[4].member);
}

TEST_F(ZavbuildTest, AnSvgzSymbolIsCopiedAndGetsABlockOfItsOwn) {
  Put("src/copyright.txt", "");
  // Two members with zlib's own header (OS byte of this system): the side file keeps
  // them as they are, the block holds their joined content under the fixed header.
  const auto gzip = [](const std::string& text) {
    z_stream strm{};
    deflateInit2(&strm, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    std::string out(text.size() + 64, '\0');
    strm.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    strm.avail_in = static_cast<uInt>(text.size());
    strm.next_out = reinterpret_cast<Bytef*>(out.data());
    strm.avail_out = static_cast<uInt>(out.size());
    deflate(&strm, Z_FINISH);
    out.resize(strm.total_out);
    deflateEnd(&strm);
    return out;
  };
  const std::string svgz = gzip("<svg>") + gzip("</svg>");
  Symbol("src/a.svg", "abc", "[INFO]\n");
  Symbol("src/g.svgz", svgz, "[INFO]\nCAPTION=Gee\nUniqueID=G\n");
  MakeFolder("out");
  ASSERT_EQ(Run({"lib", "src", "out"}).output, kDone);

  EXPECT_TRUE(SameBytes(svgz, Read(Path("out/g.svgz"))));
  zavtest::ParsedLibrary parsed;
  ASSERT_TRUE(zavtest::ParseLibrary(Read(Path("out/lib.zavlibsvg")), parsed));
  ASSERT_EQ(parsed.blocks.size(), 3u);
  EXPECT_EQ(parsed.blocks[0].member, kAbcMember);
  EXPECT_EQ(zavtest::Inflated(parsed.blocks[1].member), "<svg></svg>");
  EXPECT_EQ(Read(Path("out/LIBSVG.txt")), "\xEF\xBB\xBFlib:a=32||\r\nlib:g=" + std::to_string(parsed.blocks[1].offset) +
                                              "|Gee|\r\nG=@lib:g\r\n");
  EXPECT_EQ(parsed.blocks[1].offset, 32u + 4 + 23);  // after the UTF-8 copyright mark and a's block
}

TEST_F(ZavbuildTest, ReplacesAnExistingLibraryOnlyWhenTheRunIsComplete) {
  Put("src/copyright.txt", "");
  Symbol("src/a.svg", "abc", "[INFO]\n");
  Put("src/bad.svgz", "<svg/>");
  Put("src/bad.svgz.inf", "[INFO]\n");
  Put("out/lib.zavlibsvg", "the library of an earlier run");

  const zavtest::ZavbuildResult failed = Run({"lib", "src", "out"});
  EXPECT_EQ(failed.output, Failed("Exception: Invalid gzip data: incorrect header check bad.svgz"));
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(Read(Path("out/lib.zavlibsvg")), "the library of an earlier run");
  // No temporary file and no side file of the bad symbol are left; earlier side files stay.
  EXPECT_EQ(Names("out"), (std::set<std::string>{"a.svgz", "lib.zavlibsvg"}));

  std::filesystem::remove(Path("src/bad.svgz.inf"));
  std::filesystem::remove(Path("out/a.svgz"));
  ASSERT_EQ(Run({"lib", "src", "out", "ignored fourth"}).output, kDone);
  zavtest::ParsedLibrary parsed;
  EXPECT_TRUE(zavtest::ParseLibrary(Read(Path("out/lib.zavlibsvg")), parsed));
}

struct FailureCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;  // path, content; "/" at the end: a folder
  std::vector<std::string> args;
  std::string reportLine;  // "<root>" stands for the temporary folder's path
};

class ZavbuildFailureTest : public ZavbuildTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ZavbuildFailureTest, ReportsOneLineAndLeavesNoLibrary) {
  const FailureCase& c = GetParam();
  for (const auto& [path, content] : c.files) {
    if (path.back() == '/') {
      MakeFolder(path);
    } else {
      Put(path, content);
    }
  }
  const zavtest::ZavbuildResult result = Run(c.args);
  std::string expected = c.reportLine;
  if (const std::size_t at = expected.find("<root>"); at != std::string::npos) expected.replace(at, 6, Path());
  EXPECT_EQ(result.output, Failed(expected));
  EXPECT_EQ(result.status, 1);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Path())) {
    if (!entry.is_regular_file()) continue;
    EXPECT_NE(entry.path().extension(), ".zavlibsvg") << entry.path();
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

const std::pair<std::string, std::string> kCopyright{"src/copyright.txt", "(c)"};
const std::pair<std::string, std::string> kOut{"out/", ""};
const std::vector<std::string> kArgs{"lib", "src", "out"};

INSTANTIATE_TEST_SUITE_P(
    Cases, ZavbuildFailureTest,
    ::testing::Values(
        FailureCase{"OutputFolderMissing", {kCopyright}, kArgs,
                    "EFCreateError: Cannot create file \"<root>/out/lib.zavlibsvg\". No such file or directory"},
        FailureCase{"LibraryPathIsAFolder", {kCopyright, {"out/lib.zavlibsvg/", ""}}, kArgs,
                    "EFCreateError: Cannot create file \"<root>/out/lib.zavlibsvg\". Is a directory"},
        FailureCase{"SourceFolderMissing", {kOut}, {"lib", "./nothing/../src", "out"},
                    "EFOpenError: Cannot open file \"<root>/src/copyright.txt\". No such file or directory"},
        FailureCase{"CopyrightNotUtf8", {kOut, {"src/copyright.txt", "\xEF\xBB\xBF\xFF"}}, kArgs,
                    "EEncodingError: No mapping for the Unicode character exists in the target multi-byte code page"},
        FailureCase{"DescriptorNotUtf8", {kOut, kCopyright, {"src/a.svg", "a"}, {"src/a.svg.inf", "\xEF\xBB\xBF\xC0"}},
                    kArgs,
                    "EEncodingError: No mapping for the Unicode character exists in the target multi-byte code page"},
        FailureCase{"SymbolMissing", {kOut, kCopyright, {"src/sub/bench.svg.inf", ""}}, kArgs,
                    "Exception: Not matching file for src/sub/bench.svg.inf"},
        FailureCase{"SymbolIsAFolder", {kOut, kCopyright, {"src/bench.svg.inf", ""}, {"src/bench.svg/", ""}},
                    {"lib", "src/", "out"}, "Exception: Not matching file for src/bench.svg.inf"},
        FailureCase{"UpperCaseExtension", {kOut, kCopyright, {"src/bench.SVG", "a"}, {"src/bench.SVG.INF", ""}},
                    kArgs, "Exception: Unexpected file format: src/bench.SVG"},
        FailureCase{"NoExtension", {kOut, kCopyright, {"src/bench", "a"}, {"src/bench.inf", ""}}, kArgs,
                    "Exception: Unexpected file format: src/bench"},
        FailureCase{"SameNameInTwoFolders",
                    {kOut, kCopyright, {"src/a/bench.svg", "a"}, {"src/a/bench.svg.inf", ""},
                     {"src/b/bench.svg", "b"}, {"src/b/bench.svg.inf", ""}},
                    kArgs, "Exception: File already exitst: out/bench.svgz"},
        FailureCase{"SvgAndSvgzOfOneName",
                    {kOut, kCopyright, {"src/bench.svg", "a"}, {"src/bench.svg.inf", ""},
                     {"src/bench.svgz", "b"}, {"src/bench.svgz.inf", ""}},
                    kArgs, "Exception: File already exitst: out/bench.svgz"},
        FailureCase{"SideFileLeftOver",
                    {kCopyright, {"src/bench.svg", "a"}, {"src/bench.svg.inf", ""}, {"out/bench.svgz", "old"}},
                    {"lib", "src", "out/"}, "Exception: File already exitst: out//bench.svgz"},
        FailureCase{"SvgzInTheOutputFolder", {{"out/copyright.txt", ""}, {"out/g.svgz", "x"}, {"out/g.svgz.inf", ""}},
                    {"lib", "out", "out"}, "Exception: File already exitst: out/g.svgz"},
        FailureCase{"SideFileCannotBeCreated",
                    {kCopyright, {"src/bench.svg", "a"}, {"src/bench.svg.inf", ""}, {"out/bench.svgz/", ""}},
                    kArgs, "Exception: Cannot create file \"<root>/out/bench.svgz\". Is a directory bench.svg"},
        FailureCase{"EmptySvgz", {kOut, kCopyright, {"src/g.svgz", ""}, {"src/g.svgz.inf", ""}}, kArgs,
                    "Exception: Invalid gzip data: empty file g.svgz"},
        FailureCase{"IndexFileCannotBeCreated", {kCopyright, {"out/LIBSVG.txt/", ""}}, kArgs,
                    "EFCreateError: Cannot create file \"<root>/out/LIBSVG.txt\". Is a directory"},
        FailureCase{"IndexSideFileCannotBeCreated", {kCopyright, {"out/LIBSVG.txtz/", ""}}, kArgs,
                    "EFCreateError: Cannot create file \"<root>/out/LIBSVG.txtz\". Is a directory"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ZavbuildTest, AFailedCopyOfAnSvgzSymbolCarriesTheSystemText) {
  Put("src/copyright.txt", "");
  const std::string svgz = Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x0B, 0x03, 0x00,
                                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
  Symbol("src/g.svgz", svgz, "");
  MakeFolder("out/g.svgz");  // a folder does not count as an existing side file
  EXPECT_EQ(Run(kArgs).output, Failed("Exception: File exists g.svgz"));
}

// A link at an index file's name once let the index be written to /dev/full (or any
// file the link named); now it is reported and left as it was.
TEST_F(ZavbuildTest, ALinkAtAnIndexFileNameIsReportedAndLeftAsItIs) {
  Put("src/copyright.txt", "");
  for (const std::string name : {"LIBSVG.txt", "LIBSVG.txtz"}) {
    std::filesystem::remove_all(Path("out"));
    MakeFolder("out");
    Put("target", "kept");
    std::filesystem::create_symlink("../target", Path("out/" + name));
    const zavtest::ZavbuildResult result = Run(kArgs);
    EXPECT_EQ(result.output, Failed("EFCreateError: Cannot create file \"" + Path("out/" + name) +
                                    "\". Is a symbolic link")) << name;
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(Exists(Path("out/lib.zavlibsvg")));
    EXPECT_TRUE(std::filesystem::is_symlink(Path("out/" + name)));
    EXPECT_EQ(Read(Path("target")), "kept");
  }
}

TEST_F(ZavbuildTest, ALibraryWriteThatFailsLeavesNoLibrary) {
  // Every side file fits under the file-size limit, the library does not.
  Put("src/copyright.txt", "");
  std::string noise;
  for (int i = 0; i < 600; ++i) noise += static_cast<char>((i * 7919 + i / 3 * 104729) % 251);
  for (int i = 0; i < 8; ++i) Symbol("src/s" + std::to_string(i) + ".svg", noise + std::to_string(i), "");
  Put("out/lib.zavlibsvg", "earlier");
  const zavtest::ZavbuildResult result = zavtest::RunZavbuild({kArgs, Path(), std::nullopt, rlim_t{2000}});
  EXPECT_EQ(result.output, Failed("EWriteError: Stream write error"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(Read(Path("out/lib.zavlibsvg")), "earlier");
  for (const std::string& name : Names("out")) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST_F(ZavbuildTest, FollowsALinkLoopUntilThePathIsTooLong) {
  Put("src/copyright.txt", "");
  // A long name reaches 248 characters first, a short one the kernel's 40 links.
  for (const std::string name : {"a-link-with-a-rather-long-name", "l"}) {
    std::filesystem::remove_all(Path("out"));
    MakeFolder("out");
    std::filesystem::create_directory_symlink(".", Path("src/" + name));
    EXPECT_EQ(Run(kArgs).output, Failed("EPathTooLongException: The specified path is too long")) << name;
    std::filesystem::remove(Path("src/" + name));
  }
}

TEST_F(ZavbuildTest, FolderPathsOf248CharactersAreTooLong) {
  Put("src/copyright.txt", "");
  MakeFolder("out");
  const std::string source = Path("src");  // absolute: both measures of a folder agree
  // "\xC3\xA9" is one character in two bytes: the limit counts characters.
  const auto folderOf = [&](std::size_t lengthChars) {
    return source + "/" + std::string(lengthChars - LengthOf(source) - 2, 'f') + "\xC3\xA9";
  };
  ASSERT_EQ(LengthOf(folderOf(247)), 247u);
  std::filesystem::create_directory(folderOf(247));
  EXPECT_EQ(Run({"lib", source, "out"}).output, kDone);
  std::filesystem::remove_all(Path("out"));
  MakeFolder("out");
  std::filesystem::create_directory(folderOf(248));
  EXPECT_EQ(Run({"lib", source, "out"}).output, Failed("EPathTooLongException: The specified path is too long"));
}

// A folder is measured twice, as its text stands and in its absolute form, and either
// measure alone stops the run at 248 characters.
TEST_F(ZavbuildTest, EachMeasureOfAFolderPathHasItsOwnLimit) {
  Put("src/copyright.txt", "");
  const std::string cwd = std::filesystem::canonical(Path()).string();  // the child's absolute base
  // Long as it stands, short when made absolute: "./////.../src" is "<cwd>/src".
  const auto sourceOf = [](std::size_t lengthChars) {
    return std::string(".").append(lengthChars - 4, '/').append("src");
  };
  // Short as it stands, "src/ff...", long when made absolute.
  const auto subfolderOf = [&](std::size_t absoluteChars) {
    return std::string("src/").append(absoluteChars - LengthOf(cwd) - 6, 'f').append("\xC3\xA9");
  };
  ASSERT_EQ(LengthOf(sourceOf(248)), 248u);
  ASSERT_EQ(LengthOf(cwd + "/" + subfolderOf(248)), 248u);
  ASSERT_LT(LengthOf(cwd + "/src"), 200u);

  struct MeasureCase {
    std::string source;
    std::string subfolder;  // made below the temporary folder; none when empty
    bool tooLong;
  };
  const MeasureCase cases[] = {{sourceOf(247), "", false},
                               {sourceOf(248), "", true},
                               {"src", subfolderOf(247), false},
                               {"src", subfolderOf(248), true}};
  for (const MeasureCase& c : cases) {
    SCOPED_TRACE(c.source + " " + c.subfolder);
    std::filesystem::remove_all(Path("out"));
    MakeFolder("out");
    if (!c.subfolder.empty()) MakeFolder(c.subfolder);
    EXPECT_EQ(Run({"lib", c.source, "out"}).output,
              c.tooLong ? Failed("EPathTooLongException: The specified path is too long") : kDone);
    if (!c.subfolder.empty()) std::filesystem::remove(Path(c.subfolder));
  }
}

TEST_F(ZavbuildTest, DescriptorPathsOf260CharactersAreTooLong) {
  Put("src/copyright.txt", "");
  MakeFolder("out");
  const std::string folder = Path("src/" + std::string(40, 'd'));
  // A descriptor of 259 characters is read; one of 260 stops the run.
  const std::string stem = std::string(259 - LengthOf(folder) - 1 - 8, 's');
  Symbol("src/" + std::string(40, 'd') + "/" + stem + ".svg", "abc", "");
  ASSERT_EQ(LengthOf(folder + "/" + stem + ".svg.inf"), 259u);
  EXPECT_EQ(Run({"lib", Path("src"), "out"}).output, kDone);
  std::filesystem::remove_all(Path("out"));
  MakeFolder("out");
  Symbol("src/" + std::string(40, 'd') + "/" + stem + "t.svg", "abc", "");
  EXPECT_EQ(Run({"lib", Path("src"), "out"}).output, Failed("EPathTooLongException: The specified path is too long"));
}

TEST_F(ZavbuildTest, AnUnknownCodePageStopsTheRunBeforeAnyFile) {
  Put("src/copyright.txt", "");
  MakeFolder("out");
  const zavtest::ZavbuildResult result = Run(kArgs, "abc");
  EXPECT_EQ(result.output, kBanner + "Exception: ZAV_CODEPAGE=abc is not a code page number\n");
  EXPECT_EQ(result.status, 1);
  EXPECT_TRUE(Names("out").empty());
}

TEST_F(ZavbuildTest, AFolderThatCannotBeListedCountsAsEmpty) {
  if (IsRoot()) GTEST_SKIP() << "root lists every folder whatever its mode";
  Put("src/copyright.txt", "");
  Put("src/locked/a.svg.inf", "");  // would stop the run: no a.svg
  MakeFolder("out");
  std::filesystem::permissions(Path("src/locked"), std::filesystem::perms::none);
  EXPECT_EQ(Run(kArgs).output, kDone);
}

}  // namespace
