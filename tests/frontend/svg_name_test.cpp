// Which descriptor file a row's svgname gives. A database is outside data: every name
// that could write outside the SVG folder, put a line break into a file name or name a
// file of no symbol is refused (the row is then listed as missing).
#include "frontend/svg_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct DescriptorCase {
  std::string field;  // as the database holds it
  std::optional<std::string> descriptor;
};

class DescriptorNameTest : public ::testing::TestWithParam<DescriptorCase> {};

TEST_P(DescriptorNameTest, StaysAFileOfItsSymbolInsideTheFolder) {
  const DescriptorCase& c = GetParam();
  EXPECT_EQ(orlindo::DescriptorNameOf(orlindo::SvgNameFromField(c.field)), c.descriptor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DescriptorNameTest,
    ::testing::Values(DescriptorCase{"bench", "bench.svg.inf"}, DescriptorCase{"bench.svg", "bench.svg.inf"},
                      DescriptorCase{"sub\\tree", "sub/tree.svg.inf"},      // written on Windows
                      DescriptorCase{"v1.2/x", "v1.2/x.svg.inf"}, DescriptorCase{"a..b", "a..svg.inf"},
                      DescriptorCase{"../x", std::nullopt}, DescriptorCase{"sub\\..\\..\\x", std::nullopt},
                      DescriptorCase{"/etc/x", std::nullopt},
                      // An empty file name: "<folder>/.svg.inf" belongs to no symbol.
                      DescriptorCase{"", std::nullopt}, DescriptorCase{"sub/", std::nullopt},
                      DescriptorCase{".x", std::nullopt}, DescriptorCase{"sub/.x", std::nullopt},
                      // Control characters: CR LF would add a line to the compiler's
                      // index, a NUL would cut the path short at the system call.
                      DescriptorCase{"a\r\nb", std::nullopt}, DescriptorCase{"a\tb", std::nullopt},
                      DescriptorCase{std::string("sub/..\0x", 8), std::nullopt},
                      DescriptorCase{"a\x7F", std::nullopt}));

}  // namespace
