// Qt's own texts (the buttons and labels of the file and folder dialogs, the context menus
// of the edit fields) in Japanese, as the rest of the window: Qt's translation catalogue
// "qtbase_ja", from the folder where Qt keeps its translations (Debian's
// qt6-translations-l10n).
#pragma once

#include <QTranslator>
#include <memory>

namespace orlindo {

// The catalogue, loaded; nullptr when it is not installed (Qt's texts then stay English).
// The caller installs it in the application and keeps it for as long as the application.
std::unique_ptr<QTranslator> LoadQtJapanese();

}  // namespace orlindo
