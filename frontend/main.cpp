// Orlindo: one window, run until it is closed; destroying it saves the settings. With
// --batch, --help, --version or a wrong command line (batch.h) it runs without a window
// and without a display. Window and batch first put back what an interrupted build
// left in the user's folders.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <memory>

#include "frontend/Unit1.h"
#include "frontend/batch.h"
#include "platform/codepage.h"
#include "frontend/error_box.h"
#include "frontend/qt_dialogs.h"
#include "frontend/qt_translations.h"
#include "frontend/start_sequence.h"
#include "frontend/stop_signals.h"

int main(int argc, char** argv) {
  // Before any build: a signal then stops the build and puts the folders back first.
  orlindo::InstallStopSignals();
  if (orlindo::WantsConsole(argc, argv)) {
    QCoreApplication app(argc, argv);
    return orlindo::RunBatch(QCoreApplication::arguments(), stdout, stderr);
  }
  QApplication app(argc, argv);
  // Lets the desktop match the window with the installed entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(ZAV_APP_ID));
  // What Qt leaves of the command line after taking its own options must be empty.
  if (orlindo::ParseCommandLine(QCoreApplication::arguments()).mode != orlindo::CommandLine::Mode::Window) {
    return orlindo::RunBatch(QCoreApplication::arguments(), stdout, stderr);
  }
  const std::unique_ptr<QTranslator> qtJapanese = orlindo::LoadQtJapanese();
  if (qtJapanese) app.installTranslator(qtJapanese.get());
  orlindo::QtDialogs dialogs;
  orlindo::RunReportingFailures(dialogs, [&] { orlindo::RestoreUnfinishedBuilds(dialogs); });
  // A ZAV_CODEPAGE that cannot be used is told before any file is read with it.
  if (!orlindo::RunReportingFailures(dialogs, [] { zav::AnsiCodePage(); })) return 1;
  orlindo::TfrmMain frmMain(dialogs);
  frmMain.show();
  return app.exec();
}
