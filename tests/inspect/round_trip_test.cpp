// The round trip as a property over generated flat trees: zavbuild of a tree, extract,
// zavbuild of what was extracted gives the same library, byte for byte. Names, captions
// and identifiers are drawn from every kind of character the compiler passes on as it
// is (Japanese, "|", "=", ":", "=@", blanks inside), fields are often empty, and a few
// symbols come as ".svgz".
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/compiler/zavbuild_runner.h"
#include "tests/inspect/inspect_fixture.h"
#include "tests/support/bytes.h"
#include "tests/support/library_bytes.h"

namespace {

const std::string kMark = "\xEF\xBB\xBF";

// Pieces rather than bytes, so that every draw is whole UTF-8.
const std::vector<std::string> kNamePieces = {"a", "Z", "k", "7", "0", "-", "_", ".", " ", "=", "|", ":", "(", ")",
                                              "'", "+", ",", ";", "地", "図", "記", "号", "東京", "é", "ß", "@"};
const std::vector<std::string> kTextPieces = {"Park", " ", "bench", "公園", "ベンチ", "|", "=", "=@", ":", "1", "[x]",
                                              ";", "\"q\"", "&", "<script>", "é", "—", "#"};

class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

  std::string Draw(const std::vector<std::string>& pieces, std::size_t most) {
    std::string text;
    const std::size_t count = 1 + Below(most);
    for (std::size_t i = 0; i < count; ++i) text += pieces[Below(pieces.size())];
    return text;
  }

  // Empty one time in three; never blank at an end, as a descriptor's values are trimmed.
  std::string Value() {
    if (Below(3) == 0) return "";
    std::string text = Draw(kTextPieces, 5);
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  std::mt19937 random_;
};

class RoundTripTest : public zavtest::InspectTest, public ::testing::WithParamInterface<unsigned> {
 protected:
  void Build(const std::string& source, const std::string& output) {
    MakeFolder(output);
    const zavtest::ZavbuildResult run = zavtest::RunZavbuild({{"lib", source, output}, Path(), std::nullopt, std::nullopt});
    ASSERT_EQ(run.status, 0) << run.output;
  }
};

TEST_P(RoundTripTest, ExtractedTreesBuildTheSameLibrary) {
  Generator draw(GetParam());
  const std::size_t count = GetParam() == 1 ? 3 : 60 + draw.Below(200);
  Put("src/copyright.txt", kMark + draw.Draw(kTextPieces, 8) + "\r\n" + draw.Draw(kTextPieces, 8));
  std::set<std::string> names;
  for (std::size_t i = 0; i < count; ++i) {
    // Names that differ from each other; a few ".svgz" under names of their own form,
    // which sort the same way whether they end in ".svgz" or ".svg".
    const bool compressed = i % 17 == 5;
    std::string name = compressed ? "~gz" + std::to_string(100 + i) : draw.Draw(kNamePieces, 12);
    if (name.front() == '~' && !compressed) name = "x" + name;
    if (!names.insert(name).second) continue;
    const std::string content = "<svg xmlns=\"http://www.w3.org/2000/svg\"><title>" + name + "</title><circle r=\"" +
                                std::to_string(draw.Below(1000)) + "\"/></svg>\n";
    const std::string file = name + (compressed ? ".svgz" : ".svg");
    Put("src/" + file, compressed ? zavtest::GzipFile(content) : content);
    std::string descriptor = "[INFO]\r\nCATEGORY=" + draw.Value() + "\r\nCAPTION=" + draw.Value() + "\r\n";
    if (draw.Below(2) == 0) {
      const std::string id = draw.Value();
      if (!id.empty()) descriptor += "UniqueID=" + id + "\r\n";
    }
    Put("src/" + file + ".inf", descriptor);
  }
  Build("src", "built");
  const std::string original = Read(Path("built/lib.zavlibsvg"));

  const zavtest::InspectResult extracted = Inspect({"extract", Path("built/lib.zavlibsvg"), Path("tree")});
  ASSERT_EQ(extracted.status, 0) << extracted.err;
  Build("tree", "again");
  EXPECT_TRUE(zavtest::SameBytes(original, Read(Path("again/lib.zavlibsvg"))));
  EXPECT_EQ(Inspect({"diff", Path("built/lib.zavlibsvg"), Path("again/lib.zavlibsvg")}).status, 0);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTripTest, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));

}  // namespace
