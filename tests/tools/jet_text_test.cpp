// Text as rows store it: the compressed form where it is shorter and possible, plain
// UTF-16LE otherwise. Expected bytes written out by hand from the format's rules.
#include "tools/mdb/jet_text.h"

#include <gtest/gtest.h>

#include "platform/failure.h"

namespace {

struct TextCase {
  const char* label;
  std::u16string text;
  bool mayCompress;
  std::vector<std::uint8_t> expected;
};
void PrintTo(const TextCase& c, std::ostream* os) { *os << c.label; }

class JetTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(JetTextTest, EncodesAsExpected) {
  EXPECT_EQ(zav::mdb::EncodeJetText(GetParam().text, GetParam().mayCompress), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JetTextTest,
    ::testing::Values(
        TextCase{"Empty", u"", true, {}},
        TextCase{"AsciiCompressed", u"abc", true, {0xFF, 0xFE, 'a', 'b', 'c'}},
        TextCase{"AsciiWhenNotAllowed", u"abc", false, {'a', 0, 'b', 0, 'c', 0}},
        // One character: FF FE + 1 byte is longer than 2 bytes plain.
        TextCase{"SingleCharStaysPlain", u"a", true, {'a', 0}},
        TextCase{"JapaneseStaysPlain", u"記号", true, {0x18, 0x8A, 0xF7, 0x53}},
        // Runs switch modes with a 00 byte; a lone one-byte character between wide ones
        // stays in two-byte mode.
        TextCase{"MixedRuns", u"ABCDEF記号gh", true,
                 {0xFF, 0xFE, 'A', 'B', 'C', 'D', 'E', 'F', 0x00, 0x18, 0x8A, 0xF7, 0x53, 0x00, 'g', 'h'}},
        TextCase{"LoneNarrowInWideRun", u"ABCDEF記x号", true,
                 {0xFF, 0xFE, 'A', 'B', 'C', 'D', 'E', 'F', 0x00, 0x18, 0x8A, 'x', 0x00, 0xF7, 0x53}},
        // U+4E00 ends in byte 00, which would read as a mode switch: no compression.
        TextCase{"LowByteZeroRulesItOut", u"abcdef一", true,
                 {'a', 0, 'b', 0, 'c', 0, 'd', 0, 'e', 0, 'f', 0, 0x00, 0x4E}},
        // Plain FF FE would read back as the compressed marker: compressed even if longer.
        TextCase{"LeadingMarkIsCompressed", u"\uFEFFa", true, {0xFF, 0xFE, 0x00, 0xFF, 0xFE, 0x00, 'a'}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(JetTextErrors, LeadingMarkThatCannotBeCompressedIsRefused) {
  EXPECT_THROW(zav::mdb::EncodeJetText(u"\uFEFF一", true), zav::Failure);
  EXPECT_THROW(zav::mdb::EncodeJetText(u"\uFEFFa", false), zav::Failure);
}

}  // namespace
