#include "frontend/qt_translations.h"

#include <QLibraryInfo>

namespace orlindo {

std::unique_ptr<QTranslator> LoadQtJapanese() {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  return translator;
}

}  // namespace orlindo
