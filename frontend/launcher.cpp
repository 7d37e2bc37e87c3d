#include "frontend/launcher.h"

#include <QEventLoop>
#include <QProcess>
#include <QStringList>

#include "platform/failure.h"

namespace orlindo {
namespace {

const QString kCompilingStatus = QStringLiteral("コンパイル中..");
const QString kFinishedMessage = QStringLiteral("処理終了しました．");
const QString kNotMadeMessage = QStringLiteral("ライブラリファイルは作成されませんでした。");

// Status text and wait cursor for the time the compiler runs; given back on every
// way out, a failed start included.
class CompilingScope {
 public:
  explicit CompilingScope(View& view) : view_(view), previousStatus_(view.StatusText()) {
    view_.SetStatusText(kCompilingStatus);
    view_.SetBusy(true);
  }
  CompilingScope(const CompilingScope&) = delete;
  CompilingScope& operator=(const CompilingScope&) = delete;
  ~CompilingScope() {
    view_.SetBusy(false);
    view_.SetStatusText(previousStatus_);
  }

 private:
  View& view_;
  QString previousStatus_;
};

}  // namespace

QString CompilerReport(const QByteArray& output, bool crashed, int exitCode) {
  if (crashed) return QStringLiteral("zavbuild が異常終了しました");
  // A reported failure is the last line the compiler printed, and the only one of its
  // lines that could say anything to the user.
  if (exitCode == 1) {
    const QStringList lines = QString::fromUtf8(output).split(u'\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
      QString text = *line;
      if (text.endsWith(u'\r')) text.chop(1);
      if (!text.trimmed().isEmpty()) return text;
    }
  }
  return QStringLiteral("zavbuild の終了コード: %1").arg(exitCode);
}

bool RunCompiler(View& view, Dialogs& dialogs, const std::string& compilerPath,
                 const BuildSnapshot& snapshot) {
  QProcess compiler;
  // Started directly, no shell: each field reaches the compiler as one argument,
  // blanks and quotes included. Its console output is kept, never shown.
  compiler.setProgram(QString::fromStdString(compilerPath));
  compiler.setArguments({view.FieldText(Field::Uniqkey), view.FieldText(Field::SVGFolder),
                         view.FieldText(Field::OutFolder)});
  compiler.setStandardInputFile(QProcess::nullDevice());

  QEventLoop wait;
  QObject::connect(&compiler, &QProcess::finished, &wait, &QEventLoop::quit);

  bool made = false;
  QString report;
  {
    CompilingScope compiling(view);
    compiler.start();
    if (!compiler.waitForStarted(-1)) {
      throw zav::Failure(zav::ErrorKind::General, compilerPath + "を起動できません");
    }
    if (compiler.state() != QProcess::NotRunning) wait.exec();
    // The loop also ends when the application is told to quit from outside the window
    // (which waits for the build); the compiler is not stopped, and the clean-up still
    // follows its end.
    if (compiler.state() != QProcess::NotRunning) compiler.waitForFinished(-1);

    const bool crashed = compiler.exitStatus() == QProcess::CrashExit;
    made = !crashed && compiler.exitCode() == 0;
    if (!made) report = CompilerReport(compiler.readAllStandardOutput(), crashed, compiler.exitCode());
    snapshot.CleanUp();
  }
  if (made) {
    dialogs.Show(Notice::Information, kFinishedMessage);
  } else {
    dialogs.Show(Notice::Warning, kNotMadeMessage + u'\n' + report);
  }
  return made;
}

}  // namespace orlindo
