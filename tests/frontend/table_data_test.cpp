// The byte form in which the reading child hands a table back.
#include "frontend/table_data.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

orlindo::ReadOutcome SampleOutcome() {
  orlindo::ReadOutcome outcome;
  outcome.ok = true;
  outcome.table.columns = {{"ID", true}, {"caption", false}};
  outcome.table.rows = {{{"1", false}, {"日本語の説明", false}}, {{"", true}, {std::string("a\0b", 3), false}}};
  return outcome;
}

TEST(OutcomeBytes, RoundTripKeepsEveryValue) {
  const std::optional<orlindo::ReadOutcome> back = orlindo::DecodeOutcome(EncodeOutcome(SampleOutcome()));
  ASSERT_TRUE(back.has_value());
  ASSERT_TRUE(back->ok);
  ASSERT_EQ(back->table.columns.size(), 2u);
  EXPECT_EQ(back->table.columns[0].name, "ID");
  EXPECT_TRUE(back->table.columns[0].isNumber);
  EXPECT_FALSE(back->table.columns[1].isNumber);
  ASSERT_EQ(back->table.rows.size(), 2u);
  EXPECT_EQ(back->table.rows[0][1].text, "日本語の説明");
  EXPECT_TRUE(back->table.rows[1][0].isNull);
  EXPECT_EQ(back->table.rows[1][1].text, std::string("a\0b", 3));

  orlindo::ReadOutcome refused;
  refused.errorMessage = "テーブル 'T_main' がありません";
  const auto refusedBack = orlindo::DecodeOutcome(EncodeOutcome(refused));
  ASSERT_TRUE(refusedBack.has_value());
  EXPECT_FALSE(refusedBack->ok);
  EXPECT_EQ(refusedBack->errorMessage, refused.errorMessage);
}

TEST(OutcomeBytes, EveryCutShortOrExtendedFormIsRefused) {
  const std::string bytes = EncodeOutcome(SampleOutcome());
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    EXPECT_FALSE(orlindo::DecodeOutcome(bytes.substr(0, length)).has_value()) << "cut at " << length;
  }
  EXPECT_FALSE(orlindo::DecodeOutcome(bytes + "X").has_value());
}

TEST(OutcomeBytes, HugeCountsAreRefusedWithoutAllocating) {
  // Head, ok, then 0xFFFFFFFF columns: must fail at once, not try to make room for them.
  EXPECT_FALSE(orlindo::DecodeOutcome(std::string("ZAVTABLE1\x01\xFF\xFF\xFF\xFF", 14) + "END").has_value());
  // No columns but 0xFFFFFFFF rows.
  EXPECT_FALSE(orlindo::DecodeOutcome(std::string("ZAVTABLE1\x01\0\0\0\0\xFF\xFF\xFF\xFF", 18) + "END")
                   .has_value());
}

}  // namespace
