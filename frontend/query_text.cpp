#include "frontend/query_text.h"

#include <string_view>

#include "platform/failure.h"
#include "platform/trim.h"
#include "platform/unicode.h"

namespace orlindo {
namespace {

class QueryScanner {
 public:
  explicit QueryScanner(std::string_view text) : rest_(text) {}

  bool Keyword(std::string_view word) {
    SkipBlanks();
    if (!zav::StartsWithIgnoringCase(rest_, word)) return false;
    if (rest_.size() > word.size() && IsNameChar(rest_[word.size()])) return false;
    rest_.remove_prefix(word.size());
    return true;
  }
  bool Symbol(char c) {
    SkipBlanks();
    if (rest_.empty() || rest_.front() != c) return false;
    rest_.remove_prefix(1);
    return true;
  }
  // A plain name or one in square brackets; empty when there is none.
  std::string Name() {
    SkipBlanks();
    if (!rest_.empty() && rest_.front() == '[') {
      const std::size_t close = rest_.find(']');
      if (close == std::string_view::npos) return {};
      std::string name(rest_.substr(1, close - 1));
      rest_.remove_prefix(close + 1);
      return name;
    }
    std::size_t length = 0;
    while (length < rest_.size() && IsNameChar(rest_[length])) ++length;
    std::string name(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return name;
  }
  bool AtEnd() {
    SkipBlanks();
    return rest_.empty();
  }

 private:
  static bool IsNameChar(char c) {
    return !zav::IsBlankOrLineBreak(c) &&
           std::string_view(";,()[]*=<>'\"").find(c) == std::string_view::npos;
  }
  void SkipBlanks() {
    while (!rest_.empty() && zav::IsBlankOrLineBreak(rest_.front())) rest_.remove_prefix(1);
  }
  std::string_view rest_;
};

[[noreturn]] void Unsupported(const std::string& commandText, const std::string& why) {
  zav::Fail("SQL 文 " + zav::Quoted(commandText) + " は実行できません。" + why);
}

}  // namespace

TableQuery ParseTableQuery(const std::string& commandText) {
  QueryScanner scan(commandText);
  const std::string form = "使えるのは SELECT * FROM テーブル [ORDER BY 列] の形だけです";
  if (!scan.Keyword("SELECT") || !scan.Symbol('*') || !scan.Keyword("FROM")) {
    Unsupported(commandText, form);
  }
  TableQuery query;
  query.table = scan.Name();
  if (query.table.empty()) Unsupported(commandText, "テーブル名がありません");
  if (scan.Keyword("WHERE")) Unsupported(commandText, "WHERE 句には対応していません");
  if (scan.Keyword("ORDER")) {
    if (!scan.Keyword("BY")) Unsupported(commandText, form);
    query.orderColumn = scan.Name();
    if (query.orderColumn.empty()) Unsupported(commandText, "ORDER BY の列名がありません");
    if (scan.Keyword("DESC")) Unsupported(commandText, "並べ替えは昇順だけに対応しています");
    scan.Keyword("ASC");
    if (scan.Symbol(',')) Unsupported(commandText, "並べ替えの列は一つだけに対応しています");
  }
  scan.Symbol(';');
  if (!scan.AtEnd()) Unsupported(commandText, form);
  return query;
}

}  // namespace orlindo
