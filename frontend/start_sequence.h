// What "実行" sets going: the checks, then (once the launcher is in) the import, the
// compiler run and the clean-up. The window only calls this, through the error box.
#pragma once

#include "dialogs.h"
#include "view.h"

namespace orlindo {

void RunStartSequence(View& view, Dialogs& dialogs);

}  // namespace orlindo
