// Orlindo: one window, run until it is closed; destroying it saves the settings.
#include <QApplication>

#include "Unit1.h"
#include "codepage.h"
#include "error_box.h"
#include "qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  orlindo::QtDialogs dialogs;
  // A ZAV_CODEPAGE that cannot be used is told before any file is read with it.
  if (!orlindo::RunReportingFailures(dialogs, [] { zav::AnsiCodePage(); })) return 1;
  orlindo::TfrmMain frmMain(dialogs);
  frmMain.show();
  return app.exec();
}
