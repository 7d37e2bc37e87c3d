#include "frontend/list_dialog.h"

#include <gtest/gtest.h>

#include "tests/frontend/qstring_print.h"

namespace {

struct SplitCase {
  const char* name;
  const char* text;
  bool isList;
  const char* heading;
  QStringList items;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitMessageListTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitMessageListTest, TakesTheHeadingAndOneItemPerLine) {
  const SplitCase& c = GetParam();
  const std::optional<orlindo::MessageList> list = orlindo::SplitMessageList(QString::fromUtf8(c.text));
  ASSERT_EQ(list.has_value(), c.isList);
  if (!list) return;
  EXPECT_EQ(list->heading, QString::fromUtf8(c.heading));
  EXPECT_EQ(list->items, c.items);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitMessageListTest,
    ::testing::Values(
        SplitCase{"OnePath", "次のファイルが見つかりませんでした\r\r/s/a.svg\r\n", true,
                  "次のファイルが見つかりませんでした", {"/s/a.svg"}},
        // Duplicates stay, in their order; a blank inside a path is part of it.
        SplitCase{"ThreePaths", "h\r\r/s/b c.svg\r\n/s/a.svg\r\n/s/b c.svg\r\n", true, "h",
                  {"/s/b c.svg", "/s/a.svg", "/s/b c.svg"}},
        SplitCase{"PlainMessage", "ファイル \"/x\" を作成できません。No such file", false, "", {}},
        SplitCase{"WindowsLineEnds", "one\r\ntwo\r\n", false, "", {}},
        SplitCase{"NoLineEndAfterTheLast", "h\r\r/s/a.svg", false, "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
