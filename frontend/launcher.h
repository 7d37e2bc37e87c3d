// RunCompiler: starts the extracted compiler on the window's three field texts, waits
// for it through the event loop (the window stays responsive, a second "実行" can run),
// cleans up the intermediate files and tells the user how the build ended.
#pragma once

#include <QString>
#include <string>

#include "frontend/build_snapshot.h"
#include "frontend/dialogs.h"
#include "frontend/view.h"

namespace orlindo {

// Returns whether the library was made (the compiler ended with status 0). Throws
// "<path>を起動できません" when the compiler cannot be started; nothing is cleaned up then.
bool RunCompiler(View& view, Dialogs& dialogs, const std::string& compilerPath,
                 const BuildSnapshot& snapshot);

// The compiler's own report line from its console output, or a line of ours when it
// ended without one (a crash, an unexpected status).
QString CompilerReport(const QByteArray& output, bool crashed, int exitCode);

}  // namespace orlindo
