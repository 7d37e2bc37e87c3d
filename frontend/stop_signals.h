// SIGTERM, SIGINT and SIGHUP while a build runs: they no longer end the program on the
// spot, which would leave the user's folders half changed, but ask the build to stop at
// its next stopping point, where it stops the compiler and puts the folders back first.
// Outside a build they end the program as they always did. The handler only notes the
// signal and writes a byte to a pipe (the self-pipe), which the build watches: in poll()
// while the database is read, through StopNotifier while an event loop runs.
#pragma once

#include <QObject>
#include <string>

namespace orlindo {

// Thrown at a stopping point once a stop was asked for. Deliberately no std::exception,
// so that no error box takes it for a failure; the program's top catches it and ends.
struct BuildInterrupted {
  int signal = 0;
  bool restored = true;  // the folders were put back whole (else the journal was kept)
};

// Installs the handlers, once, before the first build. A signal that the program was
// started with ignored (nohup) stays ignored.
void InstallStopSignals();

// While one lives, the three signals ask for a stop instead of ending the program.
class StopScope {
 public:
  StopScope();
  ~StopScope();
  StopScope(const StopScope&) = delete;
  StopScope& operator=(const StopScope&) = delete;
};

// Readable from the moment a stop was asked for; -1 before InstallStopSignals.
int StopRequestFd();
// The signal that asked for the stop, or 0.
int StopRequested();
void ThrowIfStopRequested();

// "SIGTERM", or the number where the system has no name for it.
std::string SignalName(int signal);

// Ends the program as the signal would have without our handler.
[[noreturn]] void EndBySignal(int signal);

// Emits stopRequested() from the event loop, once, when a stop was asked for; for the
// waits that run an event loop (the compile, a dialog). nullptr without handlers or
// without an application object.
class StopNotifier : public QObject {
  Q_OBJECT

 public:
  static StopNotifier* Instance();

 signals:
  void stopRequested();

 private:
  explicit StopNotifier(QObject* parent);
};

}  // namespace orlindo
