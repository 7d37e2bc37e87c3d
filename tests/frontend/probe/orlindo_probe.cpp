// Orlindo's batch mode with a compiler of the test's own (the path in
// ORLINDO_TEST_COMPILER, a script that can wait where the test wants the build to be),
// so that a test can stop or kill a whole build at a moment it chooses.
#include <QCoreApplication>
#include <cstdio>

#include "frontend/batch.h"
#include "frontend/stop_signals.h"

int main(int argc, char** argv) {
  orlindo::InstallStopSignals();
  QCoreApplication app(argc, argv);
  return orlindo::RunBatch(QCoreApplication::arguments(), stdout, stderr,
                           QString::fromLocal8Bit(qgetenv("ORLINDO_TEST_COMPILER")));
}
