#include "frontend/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "tests/support/temp_dir.h"
#include "frontend/error_box.h"
#include "tests/frontend/qstring_print.h"

namespace {

using orlindo::Notice;

// Runs answer on the next modal dialog as soon as it is open; the dialog's own event
// loop delivers the timer. A dialog that the answer left open (a failed check) is
// cancelled, so that a fault fails the test instead of hanging it.
void AnswerNextDialog(std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    QPointer<QWidget> open(dialog);
    answer(dialog);
    if (open && open->isVisible()) {
      if (auto* modal = qobject_cast<QDialog*>(open.data())) modal->reject();
    }
  });
  poll->start(10);
}

struct BoxCase {
  Notice kind;
  QMessageBox::Icon icon;
  QString caption;
};

TEST(QtDialogsTest, MessageBoxesHaveTheirCaptionIconAndOneOkButton) {
  const BoxCase cases[] = {{Notice::Warning, QMessageBox::Warning, QStringLiteral("警告")},
                           {Notice::Information, QMessageBox::Information, QStringLiteral("情報")},
                           {Notice::Error, QMessageBox::Critical, orlindo::ApplicationTitle()}};
  for (const BoxCase& c : cases) {
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    AnswerNextDialog([&](QWidget* dialog) {
      auto* box = qobject_cast<QMessageBox*>(dialog);
      ASSERT_NE(box, nullptr);
      caption = box->windowTitle();
      text = box->text();
      icon = box->icon();
      buttons = static_cast<int>(box->buttons().size());
      box->button(QMessageBox::Ok)->click();
    });
    orlindo::QtDialogs dialogs;
    // A list as the import shows it: two CRs after the heading, CR LF after each path.
    dialogs.Show(c.kind, QStringLiteral("次のファイルが見つかりませんでした\r\r/s/<b>a</b>.svg\r\n"));
    EXPECT_EQ(caption, c.caption);
    EXPECT_EQ(icon, c.icon);
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(text, QStringLiteral("次のファイルが見つかりませんでした\n\n/s/<b>a</b>.svg\n"));
  }
  EXPECT_EQ(orlindo::ApplicationTitle(), "frontend_tests");
}

class QtFileDialogTest : public zavtest::TempDirTest {};

TEST_F(QtFileDialogTest, DatabaseDialogCancelsOrGivesThePathWithItsDefaultExtension) {
  orlindo::QtDialogs dialogs;
  QString title, name, suffix;
  QStringList filters;
  AnswerNextDialog([&](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(files, nullptr);
    title = files->windowTitle();
    name = files->objectName();
    filters = files->nameFilters();
    suffix = files->defaultSuffix();
    files->reject();
  });
  EXPECT_EQ(dialogs.PickDatabaseFile(), std::nullopt);
  EXPECT_EQ(title, QStringLiteral("定義データベースを選択してください"));
  EXPECT_EQ(name, "OpenDialogKihonMDB");
  EXPECT_EQ(filters, QStringList({QStringLiteral("Access2000データベース(*.mdb)"),
                                  QStringLiteral("全てのファイル(*.*)")}));
  EXPECT_EQ(suffix, "mdb");

  // A typed name without extension gets ".mdb"; the next opening shows that file.
  const QString folder = QString::fromStdString(MakeFolder("db"));
  AnswerNextDialog([&](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    files->setDirectory(folder);
    // Typed into the name field: selectFile() leaves that field alone once it has the
    // focus, which depends on how soon the dialog became active.
    auto* typed = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(typed, nullptr);
    typed->setText(QStringLiteral("定義"));
    static_cast<QDialog*>(files)->accept();  // as the Open button does
  });
  EXPECT_EQ(dialogs.PickDatabaseFile(), folder + QStringLiteral("/定義.mdb"));
  QStringList selected;
  AnswerNextDialog([&](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    selected = files->selectedFiles();
    files->reject();
  });
  EXPECT_EQ(dialogs.PickDatabaseFile(), std::nullopt);
  EXPECT_EQ(selected, QStringList(folder + QStringLiteral("/定義.mdb")));
}

TEST_F(QtFileDialogTest, FolderDialogStartsAtTheFolderAndCancels) {
  orlindo::QtDialogs dialogs;
  const QString folder = QString::fromStdString(MakeFolder("svg"));
  QString title, at;
  AnswerNextDialog([&](QWidget* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    ASSERT_NE(files, nullptr);
    title = files->windowTitle();
    at = files->directory().absolutePath();
    files->reject();
  });
  EXPECT_EQ(dialogs.PickFolder(folder), std::nullopt);
  EXPECT_EQ(title, QStringLiteral("フォルダを指定してください"));
  EXPECT_EQ(at, folder);
  AnswerNextDialog([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->accept(); });
  EXPECT_EQ(dialogs.PickFolder(folder), folder);
}

}  // namespace
