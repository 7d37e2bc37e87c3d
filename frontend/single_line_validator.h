// Keeps the edit fields single-line as the Windows edit control is: a pasted text with
// line breaks would otherwise reach the settings file, where a line break cannot be
// stored. Each CR LF, CR or LF becomes one blank, so nothing of the text is lost.
#pragma once

#include <QValidator>

namespace orlindo {

class SingleLineValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

}  // namespace orlindo
