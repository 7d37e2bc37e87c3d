// zavbuild's answer to SIGTERM, SIGINT and SIGHUP: the files of the run that carry a
// name but are not complete (the temporary library, a side file being written) are
// removed, and the process ends of the signal as if it had not caught it, so that a
// shell sees 128 + the signal's number. Unnamed side files need nothing: they vanish
// with the process. The handler only unlinks paths prepared beforehand and raises the
// signal again, both safe in a signal handler.
#pragma once

#include <signal.h>

#include <memory>
#include <string>

namespace zav {

// Installs the handler, from main() on the main thread, before the run. A signal that
// was ignored when zavbuild started (nohup, a background job) stays ignored.
void RemoveUnfinishedFilesOnSignal();

// A path to remove should a signal end the process while the mark lives. Marks are
// few (the library and the one side file being written); past kMaxMarks a mark is
// not kept. Without the handler installed (zavbuild run in-process), a mark does
// nothing.
class UnfinishedMark {
 public:
  static constexpr int kMaxMarks = 8;

  UnfinishedMark() = default;
  explicit UnfinishedMark(const std::string& path);
  UnfinishedMark(UnfinishedMark&& other) noexcept;
  UnfinishedMark& operator=(UnfinishedMark&& other) noexcept;
  UnfinishedMark(const UnfinishedMark&) = delete;
  UnfinishedMark& operator=(const UnfinishedMark&) = delete;
  ~UnfinishedMark() { Clear(); }

  void Clear() noexcept;

 private:
  int slot_ = -1;
  std::unique_ptr<char[]> path_;  // stays where it is while the handler may read it
};

// Holds the three signals on this thread while it lives, so that making a file and
// marking it (or committing it and clearing its mark) is one step to the handler.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t before_;
};

}  // namespace zav
