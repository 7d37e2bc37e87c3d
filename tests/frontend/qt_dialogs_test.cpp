#include "frontend/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <functional>
#include <memory>

#include "tests/support/temp_dir.h"
#include "frontend/error_box.h"
#include "frontend/qt_translations.h"
#include "tests/frontend/qstring_print.h"

namespace {

using orlindo::Notice;

// Runs answer on the next modal dialog once it is open and active, as the user meets
// it; the dialog's own event loop delivers the timer. Activation comes as an event of
// its own, at a moment that depends on the machine's load, and moves the focus into the
// dialog, which changes what some calls do (a file dialog's selectFile leaves a focused
// name field alone), so the answer waits for it. A dialog that the answer left open (a
// failed check), or that never becomes active, is cancelled, so that a fault fails the
// test instead of hanging it.
void AnswerNextDialog(std::function<void(QWidget*)> answer) {
  constexpr int kPollsBeforeGivingUp = 3000;  // 30 s: a backstop, never reached when sound
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, polls = 0]() mutable {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr || !dialog->isVisible()) return;
    const bool active = dialog->isActiveWindow();
    if (!active && ++polls < kPollsBeforeGivingUp) return;
    poll->stop();
    poll->deleteLater();
    QPointer<QWidget> open(dialog);
    if (active) {
      answer(dialog);
    } else {
      ADD_FAILURE() << "the dialog never became active";
    }
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
    // Windows line ends, a lone CR included, and what would be markup.
    dialogs.Show(c.kind, QStringLiteral("データベースを開けません\r\n/s/<b>a</b>.mdb\rもう一度\r\n"));
    EXPECT_EQ(caption, c.caption);
    EXPECT_EQ(icon, c.icon);
    EXPECT_EQ(buttons, 1);
    EXPECT_EQ(text, QStringLiteral("データベースを開けません\n/s/<b>a</b>.mdb\nもう一度\n"));
  }
  EXPECT_EQ(orlindo::ApplicationTitle(), "frontend_tests");
}

// The missing-file warning with 200 names: the heading as it stands and the count above
// a text area of bounded size that scrolls, whose names can be selected and copied.
TEST(QtDialogsTest, AListIsShownInABoundedScrollableAreaAndCanBeCopied) {
  QString text = QStringLiteral("次のファイルが見つかりませんでした\r\r");
  QString names;
  for (int i = 0; i < 200; ++i) {
    const QString path = QStringLiteral("/data/svg/記号 %1 <b>.svg").arg(i);
    text += path + QStringLiteral("\r\n");
    names += path + u'\n';
  }
  QString caption, heading, listed, copied;
  bool readOnly = false, scrolls = false;
  Qt::TextInteractionFlags interaction;
  QSize size;
  QApplication::clipboard()->clear();
  AnswerNextDialog([&](QWidget* dialog) {
    caption = dialog->windowTitle();
    auto* label = dialog->findChild<QLabel*>(QStringLiteral("heading"));
    auto* list = dialog->findChild<QPlainTextEdit*>(QStringLiteral("list"));
    auto* copy = dialog->findChild<QPushButton*>(QStringLiteral("copy"));
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_TRUE(label && list && copy && buttons);
    heading = label->text();
    listed = list->toPlainText() + u'\n';
    readOnly = list->isReadOnly();
    interaction = list->textInteractionFlags();
    scrolls = list->verticalScrollBar()->maximum() > 0;
    size = dialog->frameGeometry().size();
    EXPECT_EQ(copy->text(), QStringLiteral("コピー"));
    copy->click();
    copied = QApplication::clipboard()->text();
    buttons->button(QDialogButtonBox::Ok)->click();
  });
  orlindo::QtDialogs dialogs;
  dialogs.Show(Notice::Warning, text);
  EXPECT_EQ(caption, QStringLiteral("警告"));
  EXPECT_EQ(heading, QStringLiteral("次のファイルが見つかりませんでした\n全 200 件"));
  EXPECT_EQ(listed, names);
  EXPECT_TRUE(readOnly);
  EXPECT_TRUE(interaction.testFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard));
  EXPECT_TRUE(scrolls);
  const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
  EXPECT_LE(size.height(), screen.height() * 3 / 4) << size.height();
  EXPECT_LE(size.width(), screen.width()) << size.width();
  EXPECT_EQ(copied, names);
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
    // Typed where the user types: the name field has the focus (keyClicks knows ASCII only).
    auto* typed = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(typed, nullptr);
    typed->insert(QStringLiteral("定義"));
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

// With Qt's Japanese catalogue installed, as Orlindo installs it, Qt's own texts in the
// file and folder dialogs are Japanese too: the buttons, the labels and the file types.
TEST_F(QtFileDialogTest, QtsOwnTextsAreJapanese) {
  const std::unique_ptr<QTranslator> japanese = orlindo::LoadQtJapanese();
  ASSERT_NE(japanese, nullptr) << "Qt's translations (qt6-translations-l10n) are not installed";
  QCoreApplication::installTranslator(japanese.get());
  const auto texts = [](QWidget* dialog) {
    QStringList shown;
    for (const QAbstractButton* button : dialog->findChild<QDialogButtonBox*>()->buttons()) shown << button->text();
    for (const char* label : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
      shown << dialog->findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
    return shown;
  };
  orlindo::QtDialogs dialogs;
  QStringList database, folder;
  AnswerNextDialog([&](QWidget* dialog) {
    database = texts(dialog);
    qobject_cast<QDialog*>(dialog)->reject();
  });
  dialogs.PickDatabaseFile();
  AnswerNextDialog([&](QWidget* dialog) {
    folder = texts(dialog);
    qobject_cast<QDialog*>(dialog)->reject();
  });
  dialogs.PickFolder(QString::fromStdString(MakeFolder("svg")));
  // The file types of the list, which Qt 6 asks for in a context of its own.
  const QString folderType = QCoreApplication::translate("QAbstractFileIconProvider", "Folder");
  const QString fileType = QCoreApplication::translate("QAbstractFileIconProvider", "%1 File");
  QCoreApplication::removeTranslator(japanese.get());
  EXPECT_EQ(folderType, QStringLiteral("フォルダ"));
  EXPECT_EQ(fileType, QStringLiteral("%1 ファイル"));
  EXPECT_EQ(database, QStringList({QStringLiteral("開く(&O)"), QStringLiteral("キャンセル"), QStringLiteral("アドレス:"),
                                   QStringLiteral("ファイル名(&N):"), QStringLiteral("ファイルの種類:")}));
  EXPECT_EQ(folder, QStringList({QStringLiteral("選択(&C)"), QStringLiteral("キャンセル"), QStringLiteral("アドレス:"),
                                 QStringLiteral("ディレクトリ:"), QStringLiteral("ファイルの種類:")}));
}

}  // namespace
