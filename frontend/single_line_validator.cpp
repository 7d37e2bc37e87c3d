#include "frontend/single_line_validator.h"

namespace orlindo {

QValidator::State SingleLineValidator::validate(QString& input, int& pos) const {
  if (!input.contains(u'\r') && !input.contains(u'\n')) return Acceptable;
  QString line;
  line.reserve(input.size());
  int newPos = pos;
  for (qsizetype i = 0; i < input.size(); ++i) {
    const QChar c = input[i];
    if (c == u'\r' && i + 1 < input.size() && input[i + 1] == u'\n') {
      if (i + 1 < pos) --newPos;  // two characters became one
      ++i;
      line += u' ';
    } else if (c == u'\r' || c == u'\n') {
      line += u' ';
    } else {
      line += c;
    }
  }
  input = line;
  pos = newPos;
  return Acceptable;
}

}  // namespace orlindo
