#include "start_sequence.h"

#include "inputs.h"

namespace orlindo {

void RunStartSequence(View& view, Dialogs& dialogs) {
  if (CheckInputs(view, dialogs) < 0) return;
}

}  // namespace orlindo
