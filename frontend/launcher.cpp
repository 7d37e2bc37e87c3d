#include "frontend/launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QEventLoop>
#include <QProcess>
#include <QStringList>

#include "frontend/background_work.h"
#include "frontend/compiler_progress.h"
#include "frontend/stop_signals.h"
#include "platform/failure.h"
#include "platform/sys_error.h"

namespace orlindo {
namespace {

const QString kCompilingStatus = QStringLiteral("コンパイル中..");
const QString kFinishedMessage = QStringLiteral("処理終了しました．");
const QString kFinishedStatus = QStringLiteral("処理完了.");
const QString kNotMadeMessage = QStringLiteral("ライブラリファイルは作成されませんでした。");
// How long a compiler asked to stop may take to remove its temporary library.
constexpr int kCompilerStopMillis = 10000;

// TERM lets the compiler remove its temporary library; one that does not end is killed.
void StopCompiler(QProcess& compiler) {
  compiler.terminate();
  if (!compiler.waitForFinished(kCompilerStopMillis)) {
    compiler.kill();
    compiler.waitForFinished(-1);
  }
}

// The wait cursor for the time the compiler runs and the clean-up after it; given back
// on every way out, a failed start included.
class BusyScope {
 public:
  explicit BusyScope(View& view) : view_(view) { view_.SetBusy(true); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  ~BusyScope() { view_.SetBusy(false); }

 private:
  View& view_;
};

}  // namespace

QString CleaningUpStatus() { return QStringLiteral("後処理中.."); }

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

QString UnrestoredText(const std::string& journalPath, const std::vector<RestoreProblem>& problems) {
  QString text = QStringLiteral("次のファイルを処理前の状態に戻せませんでした。記録 \"%1\" を残し、次回の起動時にもう一度戻します")
                     .arg(QString::fromStdString(journalPath));
  text += QStringLiteral("\r\r");
  for (const RestoreProblem& problem : problems) {
    text += QString::fromStdString(problem.path + ": " + zav::SystemErrorText(problem.error));
    text += QStringLiteral("\r\n");
  }
  return text;
}

bool RunCompiler(View& view, Dialogs& dialogs, const std::string& compilerPath, BuildJournal& journal) {
  ThrowIfStopRequested();
  QProcess compiler;
  // Started directly, no shell: each field reaches the compiler as one argument,
  // blanks and quotes included. Its console output is kept, never shown.
  compiler.setProgram(QString::fromStdString(compilerPath));
  compiler.setArguments({view.FieldText(Field::Uniqkey), view.FieldText(Field::SVGFolder),
                         view.FieldText(Field::OutFolder)});
  compiler.setStandardInputFile(QProcess::nullDevice());
  view.SetStatusText(kCompilingStatus);
  CompilerProgress progress(view, kCompilingStatus);
  progress.Prepare(compiler);
  // A front end killed outright takes its compiler along, which would otherwise run on
  // and hold the compiler file; TERM, so that the compiler removes its temporary
  // library. Checked once more after asking, for a front end that died just before.
  // The progress channel is the one descriptor the compiler inherits on purpose.
  compiler.setChildProcessModifier([parent = ::getpid(), progressFd = progress.ChildFd()] {
    if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != parent) ::_exit(127);
    if (progressFd >= 0 && ::fcntl(progressFd, F_SETFD, 0) != 0) ::_exit(127);
  });

  QEventLoop wait;
  QObject::connect(&compiler, &QProcess::finished, &wait, &QEventLoop::quit);
  if (StopNotifier* stop = StopNotifier::Instance()) {
    QObject::connect(stop, &StopNotifier::stopRequested, &wait, &QEventLoop::quit);
  }

  bool made = false;
  QString report;
  std::vector<RestoreProblem> unrestored;
  {
    BusyScope busy(view);
    compiler.start();
    if (!compiler.waitForStarted(-1)) {
      throw zav::Failure(zav::ErrorKind::General, compilerPath + "を起動できません");
    }
    progress.Started();
    if (compiler.state() != QProcess::NotRunning && StopRequested() == 0) wait.exec();
    if (StopRequested() != 0) {
      StopCompiler(compiler);
      ThrowIfStopRequested();
    }
    // The loop also ends when the application is told to quit from outside the window
    // (which waits for the build); the compiler is not stopped, and the clean-up still
    // follows its end.
    if (compiler.state() != QProcess::NotRunning) compiler.waitForFinished(-1);
    progress.Finish();

    const bool crashed = compiler.exitStatus() == QProcess::CrashExit;
    made = !crashed && compiler.exitCode() == 0;
    if (!made) report = CompilerReport(compiler.readAllStandardOutput(), crashed, compiler.exitCode());
    view.SetStatusText(CleaningUpStatus());
    RunInBackground([&] { unrestored = journal.Restore(); });
  }
  ThrowIfStopRequested();
  // Before the dialogs, so that the window behind them already tells the outcome.
  view.SetStatusText(made ? kFinishedStatus : kNotMadeMessage);
  if (!unrestored.empty()) dialogs.Show(Notice::Warning, UnrestoredText(journal.Path(), unrestored));
  if (made) {
    dialogs.Show(Notice::Information, kFinishedMessage);
  } else {
    dialogs.Show(Notice::Warning, kNotMadeMessage + u'\n' + report);
  }
  return made;
}

}  // namespace orlindo
