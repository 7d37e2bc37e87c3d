#include "frontend/Unit1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <algorithm>
#include <climits>
#include <initializer_list>
#include <cstdio>

#include "frontend/env.h"
#include "frontend/error_box.h"
#include "frontend/path_edit.h"
#include "frontend/single_line_validator.h"
#include "frontend/start_sequence.h"

namespace orlindo {
namespace {

// Sizes are device-independent pixels: Qt scales them, and the font, with the screen.
constexpr int kClientWidth = 634;
constexpr int kClientHeight = 282;
constexpr int kStatusBarHeight = 19;
constexpr int kProgressWidth = 160;
constexpr int kFontPixels = 11;  // Tahoma 8 pt at 96 dpi

// Tahoma has no Japanese; where it is missing (Debian) Noto Sans CJK JP draws both the
// Latin and the Japanese text, so no caption shows boxes.
QFont WindowFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Noto Sans CJK JP")});
  font.setPixelSize(kFontPixels);
  return font;
}

template <typename Control>
Control* Place(Control* control, const char* name, int left, int top, int width, int height) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(left, top, width, height);
  return control;
}

// On Windows these captions were drawn in MS UI Gothic, whose kana and punctuation are
// narrower than Noto's full-width forms, and two of them would be cut here. A title that
// does not fit between the frame's margins (8 on either side, a trailing blank as the
// style measures it) gets its letters narrowed just enough; the fields inside keep the
// window's font.
void FitTitle(QGroupBox* box) {
  constexpr int kTitleMargins = 16;
  constexpr int kNarrowestStretch = 75;
  QFont font = box->font();
  for (int stretch = 100; stretch > kNarrowestStretch; --stretch) {
    font.setStretch(stretch);
    if (QFontMetrics(font).horizontalAdvance(box->title() + u' ') + kTitleMargins <= box->width()) {
      break;
    }
  }
  if (font.stretch() == 100) return;
  const QFont inner = box->font();
  box->setFont(font);
  for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->setFont(inner);
}

QPushButton* GlyphButton(QWidget* parent, QStyle::StandardPixmap glyph, const QString& caption,
                         int glyphSize) {
  auto* button = new QPushButton(parent->style()->standardIcon(glyph), caption, parent);
  button->setIconSize(QSize(glyphSize, glyphSize));
  // Enter on a focused button presses that button, as on Windows.
  button->setAutoDefault(true);
  return button;
}

}  // namespace

TfrmMain::TfrmMain(Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("シンボルライブラリ作成ツール"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(WindowFont());
  setFixedSize(kClientWidth, kClientHeight);
  CreateControls();
  ChainTabOrder();
  FormCreate();
}

TfrmMain::~TfrmMain() {
  FormDestroy();
  if (busy_) QApplication::restoreOverrideCursor();
}

void TfrmMain::CreateControls() {
  const QString choose = QStringLiteral("選択");

  GroupBox12 = Place(new QGroupBox(QStringLiteral("定義データベース(Access MDB)"), this),
                     "GroupBox12", 8, 8, 609, 47);
  bbtnKihonmdb = Place(GlyphButton(GroupBox12, QStyle::SP_DialogOpenButton, choose, 16),
                       "bbtnKihonmdb", 5, 14, 52, 25);
  editKihonmdb = Place(new PathEdit(PathKind::File, GroupBox12), "editKihonmdb", 61, 17, 540, 21);

  GroupBox1 = Place(new QGroupBox(QStringLiteral("SVGファイルフォルダ"), this),
                    "GroupBox1", 8, 61, 609, 47);
  bbtnSVGFolder = Place(GlyphButton(GroupBox1, QStyle::SP_DirOpenIcon, choose, 16),
                        "bbtnSVGFolder", 5, 14, 52, 25);
  editSVGFolder = Place(new PathEdit(PathKind::Folder, GroupBox1), "editSVGFolder", 61, 17, 540, 21);

  // 8 pixels wider than the two groups above it, as the form has always been.
  GroupBox2 = Place(new QGroupBox(QStringLiteral("ライブラリファイル出力フォルダ"), this),
                    "GroupBox2", 8, 114, 617, 47);
  bbtnOutFolder = Place(GlyphButton(GroupBox2, QStyle::SP_DirOpenIcon, choose, 16),
                        "bbtnOutFolder", 5, 14, 52, 25);
  editOutFolder = Place(new PathEdit(PathKind::Folder, GroupBox2), "editOutFolder", 61, 17, 540, 21);

  GroupBox4 = Place(new QGroupBox(QStringLiteral("ライブラリユニーク名（例：korimo）"), this),
                    "GroupBox4", 8, 167, 185, 47);
  editUniqkey = Place(new QLineEdit(GroupBox4), "editUniqkey", 5, 17, 164, 21);

  GroupBox3 = Place(
      new QGroupBox(QStringLiteral("Copyright（250文字くらいまでで何か入力してください。"
                                   "不明な場合は会社名でもOKです）"),
                    this),
      "GroupBox3", 202, 167, 427, 47);
  editCopyright = Place(new QLineEdit(GroupBox3), "editCopyright", 5, 17, 404, 21);

  // The disabled image comes from Qt's disabled rendering of the same glyph.
  bbtnStart = Place(GlyphButton(this, QStyle::SP_DialogApplyButton, QStringLiteral("実行"), 18),
                    "bbtnStart", 188, 227, 249, 25);
  bbtnStart->setDefault(true);

  for (QGroupBox* box : {GroupBox12, GroupBox1, GroupBox2, GroupBox4, GroupBox3}) FitTitle(box);
  auto* singleLine = new SingleLineValidator(this);
  for (QLineEdit* edit : {editKihonmdb, editSVGFolder, editOutFolder, editUniqkey, editCopyright}) {
    edit->setValidator(singleLine);
  }

  StatusBar1 = Place(new QStatusBar(this), "StatusBar1", 0, kClientHeight - kStatusBarHeight,
                     kClientWidth, kStatusBarHeight);
  StatusBar1->setSizeGripEnabled(false);
  progressBuild = new QProgressBar(StatusBar1);
  progressBuild->setObjectName(QStringLiteral("progressBuild"));
  progressBuild->setTextVisible(false);  // the count stands in the message beside it
  progressBuild->setFixedSize(kProgressWidth, kStatusBarHeight - 6);
  StatusBar1->addPermanentWidget(progressBuild);
  progressBuild->hide();
  labelClosing = new QLabel(QStringLiteral("処理の完了後に終了します"), StatusBar1);
  labelClosing->setObjectName(QStringLiteral("labelClosing"));
  StatusBar1->addPermanentWidget(labelClosing);
  labelClosing->hide();

  connect(bbtnKihonmdb, &QPushButton::clicked, this, &TfrmMain::bbtnKihonmdbClick);
  connect(bbtnSVGFolder, &QPushButton::clicked, this, &TfrmMain::bbtnSVGFolderClick);
  connect(bbtnOutFolder, &QPushButton::clicked, this, &TfrmMain::bbtnOutFolderClick);
  connect(bbtnStart, &QPushButton::clicked, this, &TfrmMain::bbtnStartClick);
}

// The copyright field comes before the unique name, although it stands to its right.
void TfrmMain::ChainTabOrder() {
  QWidget* const order[] = {editKihonmdb, bbtnKihonmdb, editSVGFolder, bbtnSVGFolder,
                            editOutFolder, bbtnOutFolder, bbtnStart, editCopyright, editUniqkey};
  for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
  for (QGroupBox* box : {GroupBox12, GroupBox1, GroupBox2, GroupBox4, GroupBox3}) {
    box->setFocusPolicy(Qt::NoFocus);
  }
  StatusBar1->setFocusPolicy(Qt::NoFocus);
}

void TfrmMain::FormCreate() {
  RunReportingFailures(dialogs_, [&] { LoadSettings(*this, SettingsPath()); });
}

void TfrmMain::FormDestroy() {
  RunReportingFailures(dialogs_, [&] { SaveSettings(*this, SettingsPath()); });
}

// Centred once, just before the window first appears, frame included where the
// platform already knows it; later the user's placement stands.
void TfrmMain::showEvent(QShowEvent* event) {
  if (!shown_) {
    shown_ = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      move(pos() + screen->availableGeometry().center() - frameGeometry().center());
    }
  }
  QWidget::showEvent(event);
}

// Enter in an edit field presses the default button "実行"; a focused button has
// already taken its own Enter.
void TfrmMain::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    bbtnStart->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmMain::bbtnKihonmdbClick() {
  RunReportingFailures(dialogs_, [&] {
    const std::optional<QString> file = dialogs_.PickDatabaseFile();
    if (!file) {
      dialogs_.Show(Notice::Warning, QStringLiteral("選択されませんでした"));
      return;
    }
    editKihonmdb->setText(*file);
  });
}

void TfrmMain::bbtnSVGFolderClick() { BrowseFolder(editSVGFolder); }

void TfrmMain::bbtnOutFolderClick() { BrowseFolder(editOutFolder); }

// "c:\" was the start for an empty field; the home folder is its Linux counterpart.
void TfrmMain::BrowseFolder(QLineEdit* edit) {
  RunReportingFailures(dialogs_, [&] {
    const QString startAt = edit->text().isEmpty() ? QDir::homePath() : edit->text();
    if (const std::optional<QString> folder = dialogs_.PickFolder(startAt)) edit->setText(*folder);
  });
}

// The buttons are disabled for the whole build: a second build could only be refused
// (the compiler file is in use), and that would read like a failure of the first.
void TfrmMain::bbtnStartClick() {
  SetBuilding(true);
  try {
    RunReportingFailures(dialogs_, [&] { RunStartSequence(*this, dialogs_, ADOConnectionMain); });
  } catch (const BuildInterrupted& stop) {
    EndInterruptedBuild(stop, stderr);
  }
  SetBuilding(false);
  if (closeWhenBuilt_) close();
}

// A focused button that is disabled would pass the focus on to the next field with all
// its text selected, where the next key typed replaces it. The window holds the focus
// instead and gives it back afterwards, unless the build put it somewhere (a field that
// failed the checks).
void TfrmMain::SetBuilding(bool building) {
  const std::initializer_list<QPushButton*> buttons = {bbtnKihonmdb, bbtnSVGFolder, bbtnOutFolder, bbtnStart};
  building_ = building;
  if (building) {
    focusBeforeBuild_ = focusWidget();
    if (std::find(buttons.begin(), buttons.end(), focusBeforeBuild_) != buttons.end()) setFocus();
  }
  for (QPushButton* button : buttons) button->setEnabled(!building);
  if (!building && focusWidget() == this && focusBeforeBuild_) focusBeforeBuild_->setFocus();
}

// Closing asks nothing: the build goes on to its end and its clean-up, its outcome is
// shown, and then the window closes. Until then the status bar says so.
void TfrmMain::closeEvent(QCloseEvent* event) {
  if (!building_) {
    QWidget::closeEvent(event);
    return;
  }
  closeWhenBuilt_ = true;
  labelClosing->show();
  event->ignore();
}

QLineEdit* TfrmMain::Edit(Field field) const {
  switch (field) {
    case Field::Kihonmdb: return editKihonmdb;
    case Field::SVGFolder: return editSVGFolder;
    case Field::OutFolder: return editOutFolder;
    case Field::Uniqkey: return editUniqkey;
    case Field::Copyright: return editCopyright;
  }
  return editKihonmdb;
}

void TfrmMain::FocusField(Field field) { Edit(field)->setFocus(Qt::OtherFocusReason); }

QString TfrmMain::FieldText(Field field) const { return Edit(field)->text(); }

void TfrmMain::SetFieldText(Field field, const QString& text) { Edit(field)->setText(text); }

void TfrmMain::SetStatusText(const QString& text) {
  progressBuild->hide();
  StatusBar1->showMessage(text);
  // Painted now: the database is read on this thread, before its event loop turns again.
  StatusBar1->repaint();
}

void TfrmMain::SetProgress(const QString& step, std::size_t done, std::size_t total) {
  // QProgressBar counts in int; a larger count is shown in proportion. The bar first, so
  // that the text never runs ahead of it.
  const double scale = total > INT_MAX ? static_cast<double>(INT_MAX) / static_cast<double>(total) : 1.0;
  progressBuild->setRange(0, static_cast<int>(static_cast<double>(total) * scale));
  progressBuild->setValue(static_cast<int>(static_cast<double>(done) * scale));
  progressBuild->setVisible(total > 0);
  StatusBar1->showMessage(QStringLiteral("%1 %2/%3").arg(step).arg(done).arg(total));
}

QString TfrmMain::StatusText() const { return StatusBar1->currentMessage(); }

// The wait cursor over the whole program while the compiler runs.
void TfrmMain::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

}  // namespace orlindo
