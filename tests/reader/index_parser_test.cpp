// The index text read back line by line, with the odd cases the compiler can write:
// separators inside values, empty fields, repeats, and the lines only context can tell.
#include "reader/index_parser.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using zav::reader::ParseIndex;
using zav::reader::ParsedIndex;
using zav::reader::Severity;

const std::string kMark = "\xEF\xBB\xBF";

// "<line>:<name>|<offset>|<caption>|<category>|<aliases joined by ,>" per symbol.
std::vector<std::string> Symbols(const ParsedIndex& index) {
  std::vector<std::string> out;
  for (const auto& s : index.symbols) {
    std::string aliases;
    for (const auto& a : s.aliases) aliases += (aliases.empty() ? "" : ",") + a;
    out.push_back(std::to_string(s.line) + ":" + s.libraryName + "/" + s.name + "|" + std::to_string(s.offset) + "|" +
                  s.caption + "|" + s.category + "|" + aliases);
  }
  return out;
}

std::vector<std::string> Problems(const ParsedIndex& index) {
  std::vector<std::string> out;
  for (const auto& p : index.problems) {
    out.push_back(p.where + ": " + (p.severity == Severity::Warning ? "warning: " : "") + p.what);
  }
  return out;
}

struct IndexCase {
  const char* name;
  std::string text;
  std::string hint;
  std::set<std::int64_t> blocks;
  std::vector<std::string> symbols;
  std::vector<std::string> problems;
};

class ParseIndexTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(ParseIndexTest, ReadsTheLinesAsTheCompilerWroteThem) {
  const IndexCase& c = GetParam();
  const ParsedIndex index = ParseIndex(c.text, c.hint, [&](std::int64_t offset) { return c.blocks.count(offset) != 0; });
  EXPECT_EQ(Symbols(index), c.symbols);
  EXPECT_EQ(Problems(index), c.problems);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseIndexTest,
    ::testing::Values(
        IndexCase{"Empty", kMark, "lib", {}, {}, {}},
        IndexCase{"IndexAndAliasLines",
                  kMark + "parks:bench=42|Park bench|Furniture\r\nPB-1=@parks:bench\r\nparks:tree=99||\r\n",
                  "parks",
                  {42, 99},
                  {"1:parks/bench|42|Park bench|Furniture|PB-1", "3:parks/tree|99|||"},
                  {}},
        IndexCase{"EqualsAndColonsInsideValues",
                  kMark + "lib:a=42|x=1:y|c=d\r\nid=2=@lib:a\r\n",
                  "lib",
                  {42},
                  {"1:lib/a|42|x=1:y|c=d|id=2"},
                  {}},
        IndexCase{"ABarInsideACaptionIsAWarning",
                  kMark + "lib:a=42|木|大|自然\r\n",
                  "lib",
                  {42},
                  {"1:lib/a|42|木|大|自然|"},
                  {"index line 1: warning: a \"|\" in the caption or category makes the line ambiguous; read as "
                   "caption \"木|大\" and category \"自然\""}},
        IndexCase{"BarsReadAsTheCompilerTrimsValues",
                  kMark + "lib:a=42|&|é|| é\"q\"\r\n",
                  "lib",
                  {42},
                  {"1:lib/a|42|&|é|| é\"q\"|"},
                  {"index line 1: warning: a \"|\" in the caption or category makes the line ambiguous; read as "
                   "caption \"&|é\" and category \"| é\"q\"\""}},
        IndexCase{"ANameHoldingEqualsDigitsBar",
                  kMark + "lib:b=1|x=60|Cap|Cat\r\n",
                  "lib",
                  {60},
                  {"1:lib/b=1|x|60|Cap|Cat|"},
                  {}},
        IndexCase{"ALibraryNameHoldingAColon",
                  kMark + "a:b:c=42||\r\nX=@a:b:c\r\n",
                  "a:b",
                  {42},
                  {"1:a:b/c|42|||X"},
                  {}},
        IndexCase{"DuplicateNamesAndAliases",
                  kMark + "lib:a=42||\r\nDUP=@lib:a\r\nlib:a=80||\r\nDUP=@lib:a\r\n",
                  "lib",
                  {42, 80},
                  {"1:lib/a|42|||DUP,DUP", "3:lib/a|80|||"},
                  {"index line 3: warning: the symbol \"lib:a\" again (first at line 1)",
                   "index line 4: warning: the alias \"DUP\" again (first at line 2)"}},
        IndexCase{"AnAliasElsewhereAndOneOfNothing",
                  kMark + "lib:a=42||\r\nlib:b=80||\r\nA=@lib:a\r\nZ=@lib:zz\r\n",
                  "lib",
                  {42, 80},
                  {"1:lib/a|42|||A", "2:lib/b|80|||"},
                  {"index line 3: warning: the alias line of \"lib:a\" is not directly after that symbol's line",
                   "index line 4: warning: the alias line of \"lib:zz\" is not directly after that symbol's line",
                   "index line 4: the alias \"Z\" names \"lib:zz\", which no index line defines"}},
        IndexCase{"BrokenText",
                  "lib:a=42||\r\n\r\nlib:b=1|a\nb|\r\nnonsense\r\nlib:c=3||",
                  "lib",
                  {},
                  {"1:lib/a|42|||", "3:lib/b|1|a\nb||", "5:lib/c|3|||"},
                  {"index: the text does not start with the UTF-8 byte-order mark", "index line 2: an empty line",
                   "index line 3: holds a CR or LF that does not end the line",
                   "index line 4: neither an index line (<lib>:<name>=<offset>|<caption>|<category>) nor an alias "
                   "line (<id>=@<lib>:<name>)",
                   "index line 5: the last line does not end in CR LF"}},
        IndexCase{"UnsetOffsetsOfTheOriginal", kMark + "lib:g=-1|G|\r\n", "lib", {}, {"1:lib/g|-1|G||"}, {}}),
    [](const ::testing::TestParamInfo<IndexCase>& info) { return std::string(info.param.name); });

}  // namespace
