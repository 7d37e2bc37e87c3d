// CheckInputs: the five tests the start sequence runs before every build. Each failing
// test shows its own warning, one after another, so the user learns every fault at once.
#pragma once

#include "frontend/dialogs.h"
#include "frontend/view.h"

namespace orlindo {

// 0 when every input passes, otherwise minus the number of failed tests. Texts are taken
// as they stand: a text of blanks is not empty, and nothing is trimmed. A unique name
// holding "/", "\", a control character, or "." or ".." alone fails its test. After the
// warnings the focus goes to the first field that failed, for the user to mend it.
int CheckInputs(View& view, Dialogs& dialogs);

}  // namespace orlindo
