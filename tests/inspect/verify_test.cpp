// verify over damaged libraries: every fault is a row with the lines verify prints for
// it. The libraries are made byte by byte (tests/support/library_bytes.h), so that each
// row places its fault exactly; offsets in the expected lines come from that layout.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/inspect/inspect_fixture.h"
#include "tests/support/library_bytes.h"

namespace {

using zavtest::BlockOf;
using zavtest::GzipMember;
using zavtest::LE32;
using zavtest::LibraryMaker;

const std::string kA = "<svg/>";
const std::string kB = "<svg><g/></svg>";
const std::string kMark = "\xEF\xBB\xBF";

// The sound library every row damages: copyright "Hello World" (blocks from 42), symbol
// a with an alias, symbol b, the index, the trailer.
struct Layout {
  std::uint32_t a = 42;
  std::uint32_t b = 0;
  std::uint32_t index = 0;
  std::string bytes;
};

std::string IndexText(std::uint32_t a, std::uint32_t b) {
  return kMark + "lib:a=" + std::to_string(a) + "|Ay|Cat\r\nA-1=@lib:a\r\nlib:b=" + std::to_string(b) + "|Bee|\r\n";
}

Layout Sound() {
  Layout layout;
  LibraryMaker maker;
  layout.a = maker.AddSymbol(kA);
  layout.b = maker.AddSymbol(kB);
  layout.index = maker.Next();
  layout.bytes = maker.Finish(IndexText(layout.a, layout.b));
  return layout;
}

std::string Hex32(std::uint32_t value) {
  char text[12];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

std::uint32_t Crc(const std::string& text) {
  return static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

struct FaultCase {
  const char* name;
  std::function<std::string(const Layout&)> make;
  std::function<std::vector<std::string>(const Layout&)> expected;  // lines without "<path>: "
};

class VerifyFaultTest : public zavtest::InspectTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(VerifyFaultTest, TellsEachProblemOnItsOwnLine) {
  const FaultCase& c = GetParam();
  const Layout layout = Sound();
  const std::string path = Put("lib.zavlibsvg", c.make(layout));
  const zavtest::InspectResult result = Inspect({"verify", "--max-symbol-size", "64K", path});
  EXPECT_EQ(LinesWithout(result.out, path + ": "), c.expected(layout));
  EXPECT_EQ(result.status, c.expected(layout).back().rfind("ok:", 0) == 0 ? 0 : 1);
  EXPECT_EQ(result.err, "");
}

std::string Cut(const std::string& bytes, std::size_t size) { return bytes.substr(0, size); }
std::string With(std::string bytes, std::size_t at, const std::string& replacement) {
  return bytes.replace(at, replacement.size(), replacement);
}
std::string Str(std::uint64_t n) { return std::to_string(n); }

// The library with symbol a's block replaced by other bytes; b moves and the index with it.
std::string WithBlockA(const std::string& blockA, const std::string& between = "") {
  LibraryMaker maker;
  const std::uint32_t a = maker.Add(blockA);
  maker.Add(between);
  const std::uint32_t b = maker.AddSymbol(kB);
  return maker.Finish(IndexText(a, b));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, VerifyFaultTest,
    ::testing::Values(
        FaultCase{"Sound", [](const Layout& l) { return l.bytes; },
                  [](const Layout&) { return std::vector<std::string>{"ok: 2 symbols, 0 warnings"}; }},
        FaultCase{"EmptyFile", [](const Layout&) { return std::string(); },
                  [](const Layout&) {
                    return std::vector<std::string>{"file: the file is empty", "1 problem, 0 warnings (0 symbols)"};
                  }},
        FaultCase{"TextFile",
                  [](const Layout&) { return std::string("<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n"); },
                  [](const Layout&) {
                    return std::vector<std::string>{
                        "header: not a symbol library file: it does not start with 00 0B 02 02 \"zavsymlibsvg\"",
                        "1 problem, 0 warnings (0 symbols)"};
                  }},
        FaultCase{"TruncatedInTheHeader", [](const Layout& l) { return Cut(l.bytes, 20); },
                  [](const Layout&) {
                    return std::vector<std::string>{
                        "file: 20 bytes, too few for the header and the copyright length (29)",
                        "1 problem, 0 warnings (0 symbols)"};
                  }},
        FaultCase{"TruncatedInTheCopyright", [](const Layout& l) { return Cut(l.bytes, 35); },
                  [](const Layout&) {
                    return std::vector<std::string>{"copyright: its length 13 runs past the end of the file (35 bytes)",
                                                    "1 problem, 0 warnings (0 symbols)"};
                  }},
        FaultCase{"TruncatedInABlock", [](const Layout& l) { return Cut(l.bytes, l.b + 10); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "header: the index offset " + Str(l.index) + " lies past the end of the file (" +
                            Str(l.b + 10) + " bytes)",
                        "trailer: the file does not end in \"zav\"",
                        "block at " + Str(l.b) + ": its length " + Str(l.index - l.b - 4) +
                            " runs past the end of the blocks at " + Str(l.b + 10),
                        "3 problems, 0 warnings (0 symbols)"};
                  }},
        FaultCase{"TruncatedInTheIndex", [](const Layout& l) { return Cut(l.bytes, l.index + 10); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "index: its length " + Str(l.bytes.size() - 3 - l.index - 4) +
                            " runs past the end of the file (" + Str(l.index + 10) + " bytes)",
                        "trailer: the file does not end in \"zav\"",
                        "block at " + Str(l.index) + ": its length " + Str(l.bytes.size() - 3 - l.index - 4) +
                            " runs past the end of the blocks at " + Str(l.index + 10),
                        "3 problems, 0 warnings (0 symbols)"};
                  }},
        FaultCase{"TruncatedInTheTrailer", [](const Layout& l) { return Cut(l.bytes, l.bytes.size() - 1); },
                  [](const Layout&) {
                    return std::vector<std::string>{"trailer: the file does not end in \"zav\"",
                                                    "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"HeaderFields",
                  [](const Layout& l) { return With(With(l.bytes, 16, std::string("\x00\x01\x00\x00", 4)), 24, "\x7F"); },
                  [](const Layout&) {
                    return std::vector<std::string>{"header: bytes 16 to 19 are 00 01 00 00, not 00 00 00 00",
                                                    "header: byte 24 is 7F, not FF",
                                                    "2 problems, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"FlippedByteInABlock",
                  [](const Layout& l) {
                    std::string bytes = l.bytes;
                    bytes[l.a + 4 + 10] = static_cast<char>(bytes[l.a + 4 + 10] | 0x06);  // block type 3
                    return bytes;
                  },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "symbol \"a\" (block at " + Str(l.a) + "): the deflate data is damaged: invalid block type",
                        "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"WrongCrc", [](const Layout& l) { return With(l.bytes, l.b - 8, LE32(0x12345678)); },
                  [](const Layout& l) {
                    return std::vector<std::string>{"symbol \"a\" (block at " + Str(l.a) +
                                                        "): the CRC-32 is 12345678, the content's is " + Hex32(Crc(kA)),
                                                    "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"WrongSize", [](const Layout& l) { return With(l.bytes, l.b - 4, LE32(7)); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "symbol \"a\" (block at " + Str(l.a) + "): the size field is 7, the content has 6 bytes",
                        "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"OtherGzipHeader", [](const Layout& l) { return With(l.bytes, l.a + 4 + 9, "\x03"); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "symbol \"a\" (block at " + Str(l.a) +
                            "): the gzip header is 1F 8B 08 00 00 00 00 00 02 03, not 1F 8B 08 00 00 00 00 00 02 0B",
                        "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"WrongIndexOffset", [](const Layout& l) { return With(l.bytes, 20, LE32(l.bytes.size() + 100)); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "header: the index offset " + Str(l.bytes.size() + 100) + " lies past the end of the file (" +
                            Str(l.bytes.size()) + " bytes)",
                        "index: read from the last block, at " + Str(l.index) +
                            ", which the header's index offset should name",
                        "2 problems, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"OverlappingBlocks",
                  [](const Layout& l) { return With(l.bytes, l.a, LE32(l.b - l.a - 4 + 3)); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "block at " + Str(l.a) + ": its length " + Str(l.b - l.a - 1) + " runs 3 bytes into the block at " +
                            Str(l.b),
                        "symbol \"a\" (block at " + Str(l.a) + "): 3 bytes follow the gzip member inside the block",
                        "2 problems, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"GappedBlocks", [](const Layout&) { return WithBlockA(BlockOf(GzipMember(kA)), "JUNK!"); },
                  [](const Layout& l) {
                    return std::vector<std::string>{"block at " + Str(l.a) + ": 5 bytes after it, up to the block at " +
                                                        Str(l.b + 5) + ", belong to no block",
                                                    "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"TwoMembersInABlock",
                  [](const Layout&) { return WithBlockA(BlockOf(GzipMember("<svg") + GzipMember("/>"))); },
                  [](const Layout& l) {
                    return std::vector<std::string>{"symbol \"a\" (block at " + Str(l.a) +
                                                        "): the block holds a second gzip member after the first (" +
                                                        Str(GzipMember("/>").size()) + " bytes)",
                                                    "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"IndexOffsetNotABlock",
                  [](const Layout& l) {
                    LibraryMaker maker;
                    maker.AddSymbol(kA);
                    maker.AddSymbol(kB);
                    return maker.Finish(IndexText(l.a, l.b + 1));
                  },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "block at " + Str(l.b) + ": warning: no index line names this block",
                        "index line 3: the offset " + Str(l.b + 1) + " is not the start of a block",
                        "1 problem, 1 warning (2 symbols)"};
                  }},
        FaultCase{"ABlockNoLineNames",
                  [](const Layout&) {
                    LibraryMaker maker;
                    maker.AddSymbol(kA);
                    return maker.Finish(kMark);
                  },
                  [](const Layout& l) {
                    return std::vector<std::string>{"block at " + Str(l.a) + ": warning: no index line names this block",
                                                    "ok: 0 symbols, 1 warning"};
                  }},
        FaultCase{"Bomb", [](const Layout&) { return WithBlockA(BlockOf(GzipMember(std::string(1 << 20, '\0')))); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "symbol \"a\" (block at " + Str(l.a) +
                            "): the content passes the limit of 65536 bytes (--max-symbol-size)",
                        "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"NotXml", [](const Layout&) { return WithBlockA(BlockOf(GzipMember("<svg>\n<g></svg>"))); },
                  [](const Layout& l) {
                    return std::vector<std::string>{"symbol \"a\" (block at " + Str(l.a) +
                                                        "): not well-formed XML (line 2, column 6): mismatched tag",
                                                    "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"RootIsNotSvg", [](const Layout&) { return WithBlockA(BlockOf(GzipMember("<html><svg/></html>"))); },
                  [](const Layout& l) {
                    return std::vector<std::string>{
                        "symbol \"a\" (block at " + Str(l.a) + "): the root element is <html>, not <svg>",
                        "1 problem, 0 warnings (2 symbols)"};
                  }},
        FaultCase{"UnfinishedRun", [](const Layout& l) { return Cut(With(l.bytes, 20, LE32(0xFFFFFFFF)), l.index); },
                  [](const Layout&) {
                    return std::vector<std::string>{
                        "header: the index offset is FF FF FF FF, the placeholder of a run that never finished",
                        "trailer: the file does not end in \"zav\"", "2 problems, 0 warnings (0 symbols)"};
                  }}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

}  // namespace
