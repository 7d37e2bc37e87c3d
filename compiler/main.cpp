// zavbuild NAME SOURCE OUTPUT: compiles the symbol folder SOURCE into
// OUTPUT/NAME.zavlibsvg. Exit status 0 after a complete run, 1 after a reported
// failure, 2 when the usage text is printed; "zavbuild --version" and "zavbuild --help"
// end with 0. SIGTERM, SIGINT and SIGHUP end it of the signal (128 + its number to a
// shell) once its unfinished files are removed.
#include <exception>
#include <iostream>

#include "compiler/command_line.h"
#include "compiler/interruption.h"
#include "compiler/run.h"

int main(int argc, char** argv) {
  zav::RemoveUnfinishedFilesOnSignal();
  try {
    return zav::ZavbuildMain(zav::ArgumentsFrom(argc, argv), std::cout);
  } catch (const std::exception& error) {  // the console itself failed; nowhere else to tell
    std::cerr << "Exception: " << error.what() << '\n';
  }
  return zav::kExitFailed;
}
