#include "frontend/Unit1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QUrl>

#include <memory>
#include <string>

#include "tests/support/bytes.h"
#include "tests/support/temp_dir.h"
#include "tests/frontend/fake_dialogs.h"
#include "tests/frontend/scoped_env.h"

namespace {

using orlindo::Notice;
using orlindo_test::Shown;

const char* const kEditNames[] = {"editKihonmdb", "editSVGFolder", "editOutFolder", "editUniqkey",
                                  "editCopyright"};

// Each test gets its own configuration folder, so the settings file is the test's own.
class WindowTest : public zavtest::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    config_ = std::make_unique<orlindo_test::ScopedEnv>("XDG_CONFIG_HOME", Path("config").c_str());
  }
  void TearDown() override {
    config_.reset();
    TempDirTest::TearDown();
  }

  std::string SettingsFile() const { return Path("config/Orlindo.ini"); }

  template <typename Control>
  static Control* Find(const QWidget& window, const char* name) {
    auto* control = window.findChild<Control*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }

  // A drag over the widget and, when it is accepted, the drop, as Qt delivers them.
  static bool Drop(QWidget* widget, const QMimeData& data) {
    const QPoint at = widget->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), enter.dropAction(), &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &drop);
    return drop.isAccepted();
  }

  static QString Text(const QWidget& window, const char* edit) { return Find<QLineEdit>(window, edit)->text(); }

  orlindo_test::FakeDialogs dialogs_;
  std::unique_ptr<orlindo_test::ScopedEnv> config_;
};

TEST_F(WindowTest, FirstStartIsEmptyAndClosingWritesAllFiveKeys) {
  {
    orlindo::TfrmMain window(dialogs_);
    for (const char* edit : kEditNames) EXPECT_EQ(Text(window, edit), QString()) << edit;
    EXPECT_EQ(window.StatusText(), QString());
    EXPECT_FALSE(Exists(SettingsFile()));
  }
  EXPECT_TRUE(zavtest::SameBytes(
      "[作業環境]\r\n定義データベースファイル名=\r\nSVGフォルダ=\r\n出力フォルダ=\r\n"
      "ライブラリユニークキー=\r\nコピーライト=\r\n",
      Read(SettingsFile())));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(WindowTest, SettingsRoundTripThroughTwoLifetimesKeepingOtherSections) {
  const std::string longValue(3000, 'x');
  Put("config/Orlindo.ini",
      "[Other]\r\nkeep=1\r\n"
      "[作業環境]\r\n定義データベースファイル名=\"/data/db.mdb\"\r\nSVGフォルダ='/data/svg'\r\n"
      "; a note\r\n出力フォルダ=" + longValue + "\r\nextra=2\r\n");
  {
    orlindo::TfrmMain window(dialogs_);
    EXPECT_EQ(Text(window, "editKihonmdb"), "/data/db.mdb");  // the quotes are dropped
    EXPECT_EQ(Text(window, "editSVGFolder"), "/data/svg");
    EXPECT_EQ(Text(window, "editOutFolder"), QString(2047, u'x'));  // cut to 2,047
    EXPECT_EQ(Text(window, "editUniqkey"), QString());
    QTest::keyClicks(Find<QLineEdit>(window, "editUniqkey"), QStringLiteral("korimo"));
    Find<QLineEdit>(window, "editCopyright")->insert(QStringLiteral("© 公園"));  // keyClicks is ASCII only
  }
  EXPECT_TRUE(zavtest::SameBytes(
      "[Other]\r\nkeep=1\r\n"
      "[作業環境]\r\n定義データベースファイル名=/data/db.mdb\r\nSVGフォルダ=/data/svg\r\n"
      "; a note\r\n出力フォルダ=" + std::string(2047, 'x') + "\r\nextra=2\r\n"
      "ライブラリユニークキー=korimo\r\nコピーライト=© 公園\r\n",
      Read(SettingsFile())));
  orlindo::TfrmMain again(dialogs_);
  EXPECT_EQ(Text(again, "editUniqkey"), "korimo");
  EXPECT_EQ(Text(again, "editCopyright"), QStringLiteral("© 公園"));
  EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(WindowTest, ASettingsFileThatCannotBeWrittenGoesToTheErrorBox) {
  Put("config", "a file where the folder should be");
  { orlindo::TfrmMain window(dialogs_); }
  const std::vector<Shown> expected = {
      {Notice::Error, QString::fromStdString(SettingsFile() + " に書き込めません.")}};
  EXPECT_EQ(dialogs_.shown, expected);
}

struct Placement {
  const char* name;
  const char* parent;
  QRect geometry;
  const char* caption;
};

// A pasted text with line breaks stays one line, so the settings file can hold it.
TEST_F(WindowTest, EditFieldsTurnLineBreaksIntoBlanks) {
  {
    orlindo::TfrmMain window(dialogs_);
    auto* edit = Find<QLineEdit>(window, "editCopyright");
    edit->insert(QStringLiteral("公園\r\n地図\rZ"));
    edit->insert(QStringLiteral("\n!"));
    EXPECT_EQ(edit->text(), QStringLiteral("公園 地図 Z !"));
    EXPECT_EQ(edit->cursorPosition(), edit->text().size());
  }
  EXPECT_TRUE(dialogs_.shown.empty());
  EXPECT_NE(Read(SettingsFile()).find("コピーライト=公園 地図 Z !\r\n"), std::string::npos);
}

TEST_F(WindowTest, ControlsStandWhereTheFormPutsThem) {
  orlindo::TfrmMain window(dialogs_);
  EXPECT_EQ(window.objectName(), "frmMain");
  EXPECT_EQ(window.windowTitle(), QStringLiteral("シンボルライブラリ作成ツール"));
  EXPECT_EQ(window.size(), QSize(634, 282));
  EXPECT_EQ(window.minimumSize(), QSize(634, 282));
  EXPECT_EQ(window.maximumSize(), QSize(634, 282));
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);

  const Placement placements[] = {
      {"GroupBox12", "frmMain", {8, 8, 609, 47}, "定義データベース(Access MDB)"},
      {"bbtnKihonmdb", "GroupBox12", {5, 14, 52, 25}, "選択"},
      {"editKihonmdb", "GroupBox12", {61, 17, 540, 21}, nullptr},
      {"GroupBox1", "frmMain", {8, 61, 609, 47}, "SVGファイルフォルダ"},
      {"bbtnSVGFolder", "GroupBox1", {5, 14, 52, 25}, "選択"},
      {"editSVGFolder", "GroupBox1", {61, 17, 540, 21}, nullptr},
      {"GroupBox2", "frmMain", {8, 114, 617, 47}, "ライブラリファイル出力フォルダ"},
      {"bbtnOutFolder", "GroupBox2", {5, 14, 52, 25}, "選択"},
      {"editOutFolder", "GroupBox2", {61, 17, 540, 21}, nullptr},
      {"GroupBox4", "frmMain", {8, 167, 185, 47}, "ライブラリユニーク名（例：korimo）"},
      {"editUniqkey", "GroupBox4", {5, 17, 164, 21}, nullptr},
      {"GroupBox3", "frmMain", {202, 167, 427, 47},
       "Copyright（250文字くらいまでで何か入力してください。不明な場合は会社名でもOKです）"},
      {"editCopyright", "GroupBox3", {5, 17, 404, 21}, nullptr},
      {"bbtnStart", "frmMain", {188, 227, 249, 25}, "実行"},
      {"StatusBar1", "frmMain", {0, 263, 634, 19}, nullptr},
  };
  for (const Placement& p : placements) {
    const QWidget* control = Find<QWidget>(window, p.name);
    if (control == nullptr) continue;
    EXPECT_EQ(control->parentWidget()->objectName(), p.parent) << p.name;
    EXPECT_EQ(control->geometry(), p.geometry) << p.name;
    if (const auto* box = qobject_cast<const QGroupBox*>(control)) {
      EXPECT_EQ(box->title(), QString::fromUtf8(p.caption)) << p.name;
      // The whole title fits on the frame, a margin of 8 on either side, in the
      // window's height of letters.
      EXPECT_LE(QFontMetrics(box->font()).horizontalAdvance(box->title()) + 16, box->width()) << p.name;
      EXPECT_EQ(box->font().pixelSize(), 11) << p.name;
    } else if (const auto* button = qobject_cast<const QPushButton*>(control)) {
      EXPECT_EQ(button->text(), QString::fromUtf8(p.caption)) << p.name;
      EXPECT_FALSE(button->icon().isNull()) << p.name;
    }
  }
  EXPECT_TRUE(Find<QPushButton>(window, "bbtnStart")->isDefault());
}

TEST_F(WindowTest, TheFontShowsJapanese) {
  orlindo::TfrmMain window(dialogs_);
  const QFontMetrics metrics(window.font());
  for (const QChar c : QStringLiteral("実行選択定義業環境（）：。")) EXPECT_TRUE(metrics.inFont(c)) << static_cast<int>(c.unicode());
  EXPECT_EQ(window.font().pixelSize(), 11);
}

TEST_F(WindowTest, CentredOnTheScreenWhenFirstShown) {
  orlindo::TfrmMain window(dialogs_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
  EXPECT_LE((window.frameGeometry().center() - centre).manhattanLength(), 1);
}

TEST_F(WindowTest, TabOrderPutsTheCopyrightBeforeTheUniqueName) {
  orlindo::TfrmMain window(dialogs_);
  const char* const expected[] = {"editKihonmdb", "bbtnKihonmdb", "editSVGFolder", "bbtnSVGFolder",
                                  "editOutFolder", "bbtnOutFolder", "bbtnStart", "editCopyright",
                                  "editUniqkey", "editKihonmdb"};
  QWidget* at = Find<QWidget>(window, expected[0]);
  for (const char* name : expected) {
    ASSERT_EQ(at->objectName(), name);
    do {
      at = at->nextInFocusChain();
    } while (!(at->focusPolicy() & Qt::TabFocus));
  }
}

TEST_F(WindowTest, DatabaseButtonFillsTheFieldOrWarnsOnCancel) {
  orlindo::TfrmMain window(dialogs_);
  auto* edit = Find<QLineEdit>(window, "editKihonmdb");
  edit->setText("/old.mdb");
  dialogs_.databaseAnswers = {QStringLiteral("/data/定義.mdb"), std::nullopt};
  QTest::mouseClick(Find<QPushButton>(window, "bbtnKihonmdb"), Qt::LeftButton);
  EXPECT_EQ(edit->text(), QStringLiteral("/data/定義.mdb"));
  EXPECT_TRUE(dialogs_.shown.empty());
  QTest::mouseClick(Find<QPushButton>(window, "bbtnKihonmdb"), Qt::LeftButton);
  EXPECT_EQ(edit->text(), QStringLiteral("/data/定義.mdb"));
  const std::vector<Shown> expected = {{Notice::Warning, QStringLiteral("選択されませんでした")}};
  EXPECT_EQ(dialogs_.shown, expected);
  EXPECT_EQ(dialogs_.databasePicks, 2);
}

TEST_F(WindowTest, FolderButtonsStartAtTheFieldOrHomeAndCancelQuietly) {
  orlindo::TfrmMain window(dialogs_);
  struct Case {
    const char* button;
    const char* edit;
  };
  for (const Case c : {Case{"bbtnSVGFolder", "editSVGFolder"}, Case{"bbtnOutFolder", "editOutFolder"}}) {
    dialogs_.folderStarts.clear();
    auto* edit = Find<QLineEdit>(window, c.edit);
    auto* button = Find<QPushButton>(window, c.button);
    edit->clear();
    dialogs_.folderAnswers = {QStringLiteral("/data/フォルダ"), std::nullopt, QStringLiteral("/b")};
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(edit->text(), QStringLiteral("/data/フォルダ")) << c.button;
    QTest::mouseClick(button, Qt::LeftButton);  // cancelled: nothing changes
    EXPECT_EQ(edit->text(), QStringLiteral("/data/フォルダ")) << c.button;
    edit->setText(QStringLiteral("/no/such folder "));
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(edit->text(), "/b") << c.button;
    const std::vector<QString> starts = {QDir::homePath(), QStringLiteral("/data/フォルダ"),
                                         QStringLiteral("/no/such folder ")};
    EXPECT_EQ(dialogs_.folderStarts, starts) << c.button;
  }
  EXPECT_TRUE(dialogs_.shown.empty());
}

// With every field empty a build stops at the checks, so five warnings mark each start.
TEST_F(WindowTest, EnterInAnyEditFieldStartsTheBuild) {
  orlindo::TfrmMain window(dialogs_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (const char* name : kEditNames) {
    dialogs_.shown.clear();
    auto* edit = Find<QLineEdit>(window, name);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(dialogs_.Texts(Notice::Warning).size(), 5u) << name;
    QTest::keyClick(edit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialogs_.Texts(Notice::Warning).size(), 10u) << name;
  }
  // Enter on a focused "選択" presses that button, not "実行".
  dialogs_.shown.clear();
  QTest::keyClick(Find<QPushButton>(window, "bbtnKihonmdb"), Qt::Key_Return);
  EXPECT_EQ(dialogs_.databasePicks, 1);
  const std::vector<Shown> cancelled = {{Notice::Warning, QStringLiteral("選択されませんでした")}};
  EXPECT_EQ(dialogs_.shown, cancelled);
}

TEST_F(WindowTest, StartButtonRunsTheChecks) {
  orlindo::TfrmMain window(dialogs_);
  Find<QLineEdit>(window, "editUniqkey")->setText("korimo");
  QTest::mouseClick(Find<QPushButton>(window, "bbtnStart"), Qt::LeftButton);
  const std::vector<QString> expected = {QStringLiteral("定義データベースを正しく指定してください"),
                                         QStringLiteral("SVGファイルフォルダを正しく指定してください"),
                                         QStringLiteral("出力フォルダを正しく指定してください"),
                                         QStringLiteral("Copyrightを正しく指定してください")};
  EXPECT_EQ(dialogs_.Texts(Notice::Warning), expected);
}

// After the warnings of the checks, the focus is in the first field that failed (in the
// order of the checks), ready to be mended.
TEST_F(WindowTest, TheFocusGoesToTheFirstFieldThatFailedTheChecks) {
  Put("db.mdb", "");
  const QString database = QString::fromStdString(Path("db.mdb"));
  const QString folder = QString::fromStdString(MakeFolder("svg"));
  struct FocusCase {
    QString fields[5];
    const char* focused;
  };
  const FocusCase cases[] = {
      {{"", "", "", "", ""}, "editKihonmdb"},
      {{database, "", folder, "k", "c"}, "editSVGFolder"},
      {{database, folder, database, "k", ""}, "editOutFolder"},
      {{database, folder, folder, "", ""}, "editUniqkey"},
      {{database, folder, folder, "k", ""}, "editCopyright"},
  };
  orlindo::TfrmMain window(dialogs_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  auto* start = Find<QPushButton>(window, "bbtnStart");
  for (const FocusCase& c : cases) {
    for (int field = 0; field < 5; ++field) window.SetFieldText(static_cast<orlindo::Field>(field), c.fields[field]);
    dialogs_.shown.clear();
    start->setFocus();
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_FALSE(dialogs_.shown.empty()) << c.focused;
    ASSERT_NE(window.focusWidget(), nullptr);
    EXPECT_EQ(window.focusWidget()->objectName(), c.focused);
  }
}

// A file manager drops a file as a file:// URL, with the URL as text beside it. A path
// field takes the local path when it names the kind of entry the field holds, and
// refuses the drop otherwise, keeping its text.
TEST_F(WindowTest, PathFieldsTakeDroppedFilesAndFoldersAsLocalPaths) {
  Put("定義 #1.mdb", "");
  const QString file = QString::fromStdString(Path("定義 #1.mdb"));
  const QString folder = QString::fromStdString(MakeFolder("svg フォルダ"));
  const QUrl fileUrl = QUrl::fromLocalFile(file);
  const QUrl folderUrl = QUrl::fromLocalFile(folder);
  struct DropCase {
    const char* edit;
    QList<QUrl> urls;
    QString taken;  // empty: refused
  };
  const DropCase cases[] = {
      {"editKihonmdb", {fileUrl}, file},
      {"editSVGFolder", {folderUrl}, folder},
      {"editOutFolder", {folderUrl}, folder},
      {"editKihonmdb", {folderUrl}, {}},
      {"editSVGFolder", {fileUrl}, {}},
      {"editOutFolder", {QUrl(QStringLiteral("https://example.org/svg"))}, {}},
      {"editKihonmdb", {fileUrl, fileUrl}, {}},
      {"editKihonmdb", {QUrl::fromLocalFile(QString::fromStdString(Path("gone.mdb")))}, {}},
  };
  orlindo::TfrmMain window(dialogs_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  for (const DropCase& c : cases) {
    auto* edit = Find<QLineEdit>(window, c.edit);
    edit->setText(QStringLiteral("/old"));
    QMimeData data;
    data.setUrls(c.urls);
    data.setText(c.urls.front().toString());
    EXPECT_EQ(Drop(edit, data), !c.taken.isEmpty()) << c.edit << ' ' << c.urls.front().toString().toStdString();
    EXPECT_EQ(edit->text(), c.taken.isEmpty() ? QStringLiteral("/old") : c.taken) << c.edit;
  }
  // A drop is typed over the old text: undone, the old text is back.
  auto* edit = Find<QLineEdit>(window, "editKihonmdb");
  edit->setText(QStringLiteral("/old"));
  QMimeData data;
  data.setUrls({fileUrl});
  ASSERT_TRUE(Drop(edit, data));
  EXPECT_EQ(edit->text(), file);
  edit->undo();
  EXPECT_EQ(edit->text(), QStringLiteral("/old"));
}

// Leaves frmMain.png in the test's build folder, to look at the window as users see it.
// The file read back must show the window: its size, every group caption, field text
// and the status text as letters, and plain background where nothing is drawn.
TEST_F(WindowTest, RendersToPng) {
  orlindo::TfrmMain window(dialogs_);
  window.SetFieldText(orlindo::Field::Kihonmdb, QStringLiteral("/home/hanako/定義/symbols.mdb"));
  window.SetFieldText(orlindo::Field::SVGFolder, QStringLiteral("/home/hanako/svg"));
  window.SetFieldText(orlindo::Field::OutFolder, QStringLiteral("/home/hanako/out"));
  window.SetFieldText(orlindo::Field::Uniqkey, QStringLiteral("korimo"));
  window.SetFieldText(orlindo::Field::Copyright, QStringLiteral("(c) 公園地図株式会社"));
  window.SetStatusText(QStringLiteral("処理完了."));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const QString file = QDir::current().filePath(QStringLiteral("frmMain.png"));
  ASSERT_TRUE(window.grab().save(file, "PNG"));

  QImage image;
  ASSERT_TRUE(image.load(file, "PNG"));
  const qreal ratio = window.devicePixelRatio();
  ASSERT_EQ(image.size(), QSize(634, 282) * ratio);

  // Columns of an area (in window coordinates) that hold ink: letters are drawn in the
  // window-text colour (black), frames and background far lighter. A text covers many
  // columns, the focused field's text cursor one.
  const auto inkColumns = [&](const QRect& inWindow) {
    const QRect area(inWindow.topLeft() * ratio, inWindow.size() * ratio);
    int columns = 0;
    for (int x = area.left(); x <= area.right(); ++x) {
      bool ink = false;
      for (int y = area.top(); y <= area.bottom() && !ink; ++y) ink = qGray(image.pixel(x, y)) < 96;
      columns += ink;
    }
    return columns;
  };
  const auto inWindow = [&](const QWidget* control, const QRect& area) {
    return QRect(control->mapTo(&window, area.topLeft()), area.size());
  };
  for (const char* name : {"GroupBox12", "GroupBox1", "GroupBox2", "GroupBox4", "GroupBox3"}) {
    const QGroupBox* box = Find<QGroupBox>(window, name);
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    EXPECT_GE(inkColumns(inWindow(box, label)), 10) << name;
  }
  // Inside the frames, which the focused field draws dark.
  for (const char* name : {"editKihonmdb", "editSVGFolder", "editOutFolder", "editUniqkey", "editCopyright",
                           "StatusBar1"}) {
    const QWidget* control = Find<QWidget>(window, name);
    EXPECT_GE(inkColumns(inWindow(control, control->rect().adjusted(3, 3, -3, -3))), 10) << name;
  }
  // Between the groups and "実行" the window shows its background alone.
  EXPECT_EQ(inkColumns(QRect(0, 216, 634, 10)), 0);
  EXPECT_EQ(image.pixel(QPoint(300, 220) * ratio), window.palette().color(QPalette::Window).rgb());
}

}  // namespace
