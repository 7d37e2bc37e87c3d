#include "frontend/qt_translations.h"

#include <QLibraryInfo>

namespace orlindo {
namespace {

// Qt 6 asks for the file types that the file dialog lists ("Folder", "%1 File", ...) in
// the context QAbstractFileIconProvider, but the Japanese catalogue still has them under
// QFileDialog, where Qt 5 asked for them; without this the type column stays English.
class QtJapanese : public QTranslator {
 public:
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override {
    QString text = QTranslator::translate(context, sourceText, disambiguation, n);
    if (text.isNull() && qstrcmp(context, "QAbstractFileIconProvider") == 0) {
      text = QTranslator::translate("QFileDialog", sourceText, disambiguation, n);
    }
    return text;
  }
};

}  // namespace

std::unique_ptr<QTranslator> LoadQtJapanese() {
  auto translator = std::make_unique<QtJapanese>();
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  return translator;
}

}  // namespace orlindo
