#include "frontend/start_sequence.h"

#include <optional>

#include "frontend/background_work.h"
#include "frontend/build_journal.h"
#include "frontend/env.h"
#include "frontend/error_box.h"
#include "frontend/import.h"
#include "frontend/inputs.h"
#include "frontend/launcher.h"
#include "platform/sys_error.h"

namespace orlindo {
namespace {

QString FolderLines(const JournalRecord& record) {
  return QString::fromStdString(record.svgFolder) + QStringLiteral("\r\n") +
         QString::fromStdString(record.outFolder) + QStringLiteral("\r\n");
}

}  // namespace

// The status bar tells the outcome of this press, never an earlier one: a failed
// check leaves it empty, an error says so.
bool RunStartSequence(View& view, Dialogs& dialogs, Connection& ADOConnectionMain,
                      const QString& compilerResource) {
  view.SetStatusText(QString());
  if (CheckInputs(view, dialogs) < 0) return false;
  const StopScope stopScope;
  try {
    CompilerFile compiler = CompilerFile::Extract(compilerResource, CompilerFilePath());
    std::optional<BuildJournal> journal;
    bool made = false;
    try {
      ImportDefinitions(view, dialogs, ADOConnectionMain, [&](const ImportPlan& plan) {
        RunInBackground([&, outFolder = view.FieldText(Field::OutFolder).toStdString()] {
          journal.emplace(BuildJournal::Begin(JournalFolder(), plan.svgFolder, plan.Files(), outFolder));
        });
      });
      made = RunCompiler(view, dialogs, compiler.Path(), *journal);
      ThrowIfStopRequested();
    } catch (const BuildInterrupted& stop) {
      // The program ends next: no dialog, whatever could not be put back stays in the
      // journal for the next start, which tells it.
      const bool restored = !journal || journal->Restore().empty();
      compiler.Delete();
      throw BuildInterrupted{stop.signal, restored};
    } catch (...) {
      // A half-done import would otherwise stay. The failure itself goes on unchanged.
      if (journal) {
        view.SetStatusText(CleaningUpStatus());
        std::vector<RestoreProblem> problems;
        RunInBackground([&] { problems = journal->Restore(); });
        if (!problems.empty()) dialogs.Show(Notice::Warning, UnrestoredText(journal->Path(), problems));
      }
      throw;
    }
    compiler.Delete();
    return made;
  } catch (const BuildInterrupted&) {
    throw;
  } catch (...) {
    view.SetStatusText(QStringLiteral("エラーのため処理を中止しました"));
    throw;
  }
}

void RestoreUnfinishedBuilds(Dialogs& dialogs) {
  QString restoredFolders;
  for (const UnfinishedBuild& build : RecoverUnfinishedBuilds(JournalFolder())) {
    const QString journal = QString::fromStdString(build.journalPath);
    if (build.Restored()) {
      restoredFolders += FolderLines(*build.record);
    } else if (!build.record) {
      QString text = QStringLiteral("前回中断された処理の記録 \"%1\" を読めません。ファイルは元に戻していません。記録は残してあります")
                         .arg(journal);
      if (build.readError != 0) text += QStringLiteral("。") + QString::fromStdString(zav::SystemErrorText(build.readError));
      dialogs.Show(Notice::Warning, text);
    } else {
      dialogs.Show(Notice::Warning, UnrestoredText(build.journalPath, build.problems));
    }
  }
  if (!restoredFolders.isEmpty()) {
    dialogs.Show(Notice::Information,
                 QStringLiteral("前回の処理が中断されていたため、次のフォルダのファイルを処理前の状態に戻しました\r\r") +
                     restoredFolders);
  }
}

void EndInterruptedBuild(const BuildInterrupted& stop, std::FILE* err) {
  QString text = ApplicationTitle() + QStringLiteral(": ") + QString::fromStdString(SignalName(stop.signal)) +
                 QStringLiteral(" を受けたため、処理を中止しました。");
  text += stop.restored ? QStringLiteral("変更したファイルは処理前の状態に戻しました\n")
                        : QStringLiteral("処理前の状態に戻せなかったファイルがあります。次回の起動時にもう一度戻します\n");
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), err);
  std::fflush(err);
  EndBySignal(stop.signal);
}

}  // namespace orlindo
