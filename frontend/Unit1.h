// The main window frmMain: the five input fields, the three "選択" buttons, "実行" and
// the status bar. It builds the controls and hands every action to a unit that needs no
// display (settings, checks, start sequence); dialogs go through Dialogs.
#pragma once

#include <QPointer>
#include <QWidget>

#include "frontend/dbcreate.h"
#include "frontend/dialogs.h"
#include "frontend/view.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace orlindo {

class TfrmMain : public QWidget, public View {
  Q_OBJECT

 public:
  // Builds the window and loads the settings (FormCreate); dialogs must outlive it.
  explicit TfrmMain(Dialogs& dialogs, QWidget* parent = nullptr);
  // Saves the settings (FormDestroy).
  ~TfrmMain() override;

  QString FieldText(Field field) const override;
  void SetFieldText(Field field, const QString& text) override;
  void SetStatusText(const QString& text) override;
  QString StatusText() const override;
  bool ShowsProgress() const override { return true; }
  void SetProgress(const QString& step, std::size_t done, std::size_t total) override;
  void SetBusy(bool busy) override;
  void FocusField(Field field) override;

  void bbtnKihonmdbClick();
  void bbtnSVGFolderClick();
  void bbtnOutFolderClick();
  void bbtnStartClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // During a build the window stays until the build has ended and cleaned up.
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormDestroy();
  void CreateControls();
  void ChainTabOrder();
  void BrowseFolder(QLineEdit* edit);
  QLineEdit* Edit(Field field) const;
  void SetBuilding(bool building);

  Dialogs& dialogs_;
  bool busy_ = false;
  bool shown_ = false;
  bool building_ = false;
  bool closeWhenBuilt_ = false;
  QPointer<QWidget> focusBeforeBuild_;

  // The controls, under the names users and the other units know them by.
  QGroupBox* GroupBox12 = nullptr;
  QPushButton* bbtnKihonmdb = nullptr;
  QLineEdit* editKihonmdb = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QPushButton* bbtnSVGFolder = nullptr;
  QLineEdit* editSVGFolder = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QPushButton* bbtnOutFolder = nullptr;
  QLineEdit* editOutFolder = nullptr;
  QGroupBox* GroupBox4 = nullptr;
  QLineEdit* editUniqkey = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QLineEdit* editCopyright = nullptr;
  QPushButton* bbtnStart = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  // At the right of the status bar while a step with a known count runs.
  QProgressBar* progressBuild = nullptr;
  // At the right of the status bar once the window was closed during a build.
  QLabel* labelClosing = nullptr;

  // The database connection of the import: lives as long as the window and keeps its
  // connection string from one import to the next.
  Connection ADOConnectionMain;
};

}  // namespace orlindo
