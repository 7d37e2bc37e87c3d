#include "frontend/start_sequence.h"

#include "frontend/build_snapshot.h"
#include "frontend/import.h"
#include "frontend/inputs.h"
#include "frontend/launcher.h"

namespace orlindo {

bool RunStartSequence(View& view, Dialogs& dialogs, Connection& ADOConnectionMain,
                      const QString& compilerResource) {
  if (CheckInputs(view, dialogs) < 0) return false;
  CompilerFile compiler = CompilerFile::Extract(compilerResource, CompilerFilePath());
  // Taken before the import writes anything, so that the clean-up can tell the user's
  // own descriptor and side files from the build's.
  const BuildSnapshot before = BuildSnapshot::Take(view.FieldText(Field::SVGFolder).toStdString(),
                                                   view.FieldText(Field::OutFolder).toStdString());
  bool made = false;
  try {
    ImportDefinitions(view, dialogs, ADOConnectionMain);
    made = RunCompiler(view, dialogs, compiler.Path(), before);
  } catch (...) {
    // A half-done import would otherwise stay, and the next build's snapshot would
    // take its files for the user's own. The failure itself goes on unchanged.
    before.CleanUp();
    throw;
  }
  compiler.Delete();
  return made;
}

}  // namespace orlindo
