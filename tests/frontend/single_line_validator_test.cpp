#include "frontend/single_line_validator.h"

#include <gtest/gtest.h>

#include "tests/frontend/qstring_print.h"

namespace {

TEST(SingleLineValidatorTest, EachLineBreakBecomesOneBlankAndTheCursorKeepsItsPlace) {
  struct Case {
    const char* input;
    int pos;
    const char* output;
    int outputPos;
  };
  const Case cases[] = {
      {"plain", 2, "plain", 2},
      {"ab\r\ncd", 5, "ab cd", 4},  // cursor after "c"
      {"ab\r\ncd", 2, "ab cd", 2},  // cursor before the break
      {"a\rb\nc", 5, "a b c", 5},
      {"\n\n", 2, "  ", 2},
  };
  const orlindo::SingleLineValidator validator;
  for (const Case& c : cases) {
    QString text = QString::fromUtf8(c.input);
    int pos = c.pos;
    EXPECT_EQ(validator.validate(text, pos), QValidator::Acceptable) << c.input;
    EXPECT_EQ(text, QString::fromUtf8(c.output)) << c.input;
    EXPECT_EQ(pos, c.outputPos) << c.input;
  }
}

}  // namespace
