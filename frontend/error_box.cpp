#include "frontend/error_box.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace orlindo {

QString ErrorBoxText(const QString& message) {
  if (message.isEmpty()) return message;
  // The last character, a surrogate pair counted as one (it lies above "." either way).
  const char32_t last = message.back().isLowSurrogate() && message.size() >= 2
                            ? QChar::surrogateToUcs4(message[message.size() - 2], message.back())
                            : message.back().unicode();
  return last > U'.' ? message + u'.' : message;
}

QString TitleFromExecutableName(const QString& fileName) {
  const QString stem = fileName.left(fileName.indexOf(u'.'));
  if (stem.isEmpty()) return stem;
  return stem.left(1) + stem.mid(1).toLower();
}

QString ApplicationTitle() {
  return TitleFromExecutableName(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
}

void ShowFailure(Dialogs& dialogs, const QString& message) {
  dialogs.Show(Notice::Error, ErrorBoxText(message));
}

}  // namespace orlindo
