// The start sequence of "実行" (bbtnStartClick), also run by the batch mode: the input
// checks, the extraction of the embedded compiler, the import, the compile with its
// clean-up and the deletion of the compiler file. Before the import changes anything,
// what it will change is recorded in the build journal, from which the clean-up, a
// failed build and the next start after an interrupted one put the folders back. It
// reports no failure itself: a failure ends it where it happens and goes to the
// caller's error box.
#pragma once

#include <QString>
#include <cstdio>

#include "frontend/compiler_resource.h"
#include "frontend/dbcreate.h"
#include "frontend/dialogs.h"
#include "frontend/stop_signals.h"
#include "frontend/view.h"

namespace orlindo {

// Returns whether the library was made: false after a failed check or a failed compile
// (both already shown); a Failure for everything else. A stop asked for by a signal
// throws BuildInterrupted once the folders are back (or their journal kept).
bool RunStartSequence(View& view, Dialogs& dialogs, Connection& ADOConnectionMain,
                      const QString& compilerResource = QString::fromUtf16(kCompilerResource));

// The start of Orlindo, window or batch, before anything else: puts back the folders of
// every build that an earlier run left unfinished, and says so (an information dialog,
// or a warning for a journal that is kept because it could not be applied in full).
void RestoreUnfinishedBuilds(Dialogs& dialogs);

// Tells on err that the build was stopped by a signal, then ends the program as that
// signal would have.
[[noreturn]] void EndInterruptedBuild(const BuildInterrupted& stop, std::FILE* err);

}  // namespace orlindo
