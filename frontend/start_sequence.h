// The start sequence of "実行" (bbtnStartClick), also run by the batch mode: the input
// checks, the extraction of the embedded compiler, the import, the compile with its
// clean-up and the deletion of the compiler file. It catches nothing: a failure ends
// it where it happens and goes to the caller's error box.
#pragma once

#include <QString>

#include "frontend/compiler_resource.h"
#include "frontend/dbcreate.h"
#include "frontend/dialogs.h"
#include "frontend/view.h"

namespace orlindo {

// Returns whether the library was made: false after a failed check or a failed compile
// (both already shown); a Failure for everything else.
bool RunStartSequence(View& view, Dialogs& dialogs, Connection& ADOConnectionMain,
                      const QString& compilerResource = QString::fromUtf16(kCompilerResource));

}  // namespace orlindo
