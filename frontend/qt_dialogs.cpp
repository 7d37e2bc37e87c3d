#include "frontend/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStyle>

#include "frontend/error_box.h"
#include "frontend/list_dialog.h"
#include "frontend/stop_signals.h"

namespace orlindo {
namespace {

// Dialogs belong to the window that is active when they open, so they are centred on it
// and block it; with no window (the program ending) they stand alone.
QWidget* Owner() { return QApplication::activeWindow(); }

// The texts come with Windows line ends; the label breaks lines at "\n" only.
QString WithLinuxLineEnds(QString text) {
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  return text;
}

}  // namespace

void QtDialogs::Show(Notice kind, const QString& text) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  QStyle::StandardPixmap glyph = QStyle::SP_MessageBoxCritical;
  QString caption = ApplicationTitle();
  if (kind == Notice::Warning) {
    icon = QMessageBox::Warning;
    glyph = QStyle::SP_MessageBoxWarning;
    caption = QStringLiteral("警告");
  } else if (kind == Notice::Information) {
    icon = QMessageBox::Information;
    glyph = QStyle::SP_MessageBoxInformation;
    caption = QStringLiteral("情報");
  }
  // A build stopped by a signal ends the program without waiting for anyone's OK.
  if (StopRequested() != 0) return;

  // A list would make a message box as tall as the list, its OK button off the screen.
  if (const std::optional<MessageList> list = SplitMessageList(text)) {
    ListDialog dialog(caption, QApplication::style()->standardIcon(glyph), *list, Owner());
    if (StopNotifier* stop = StopNotifier::Instance()) {
      QObject::connect(stop, &StopNotifier::stopRequested, &dialog, &QDialog::reject);
    }
    dialog.exec();
    return;
  }
  QMessageBox box(icon, caption, WithLinuxLineEnds(text), QMessageBox::Ok, Owner());
  // Paths and database texts are shown as they are, never read as markup.
  box.setTextFormat(Qt::PlainText);
  if (StopNotifier* stop = StopNotifier::Instance()) {
    QObject::connect(stop, &StopNotifier::stopRequested, &box, &QMessageBox::reject);
  }
  box.exec();
}

std::optional<QString> QtDialogs::PickDatabaseFile() {
  QFileDialog dialog(Owner(), QStringLiteral("定義データベースを選択してください"));
  dialog.setObjectName(QStringLiteral("OpenDialogKihonMDB"));
  // Any name is accepted, as on Windows; CheckInputs tells the user when it names no file.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setNameFilters({QStringLiteral("Access2000データベース(*.mdb)"),
                         QStringLiteral("全てのファイル(*.*)")});
  dialog.setDefaultSuffix(QStringLiteral("mdb"));
  if (!lastDatabaseFile_.isEmpty()) dialog.selectFile(lastDatabaseFile_);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  lastDatabaseFile_ = dialog.selectedFiles().constFirst();
  return lastDatabaseFile_;
}

std::optional<QString> QtDialogs::PickFolder(const QString& startAt) {
  const QString folder = QFileDialog::getExistingDirectory(
      Owner(), QStringLiteral("フォルダを指定してください"), startAt, QFileDialog::ShowDirsOnly);
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

}  // namespace orlindo
