// RunCompiler: starts the extracted compiler on the window's three field texts, waits
// for it through the event loop (the window stays responsive), showing the symbols
// compiled so far where the view shows progress, puts the folders back from the build
// journal off the window's thread and tells the user how the build ended, in the status
// bar and a dialog.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "frontend/build_journal.h"
#include "frontend/dialogs.h"
#include "frontend/view.h"

namespace orlindo {

// Returns whether the library was made (the compiler ended with status 0). Throws
// "<path>を起動できません" when the compiler cannot be started; nothing is cleaned up then.
// A stop asked for by a signal stops the compiler and throws BuildInterrupted before the
// clean-up, which the caller then runs. The compiler dies with the front end.
bool RunCompiler(View& view, Dialogs& dialogs, const std::string& compilerPath, BuildJournal& journal);

// The status text while the clean-up puts the folders back.
QString CleaningUpStatus();

// The compiler's own report line from its console output, or a line of ours when it
// ended without one (a crash, an unexpected status).
QString CompilerReport(const QByteArray& output, bool crashed, int exitCode);

// The warning for earlier files that the clean-up could not put back: the journal that
// keeps them for the next start, then each file with the reason.
QString UnrestoredText(const std::string& journalPath, const std::vector<RestoreProblem>& problems);

}  // namespace orlindo
