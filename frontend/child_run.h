// Runs a piece of work in a forked child process and takes back the bytes it returns,
// with a time limit. The front end reads definition databases this way: libmdb trusts
// the file it reads, and a damaged one can make it crash or loop; in a child that costs
// the import an error message instead of the whole window.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace orlindo {

struct ChildResult {
  enum class Status {
    Completed,       // exited with status 0; output holds everything it returned
    Signalled,       // killed by a signal (detail = the signal number)
    ExitedWithError, // exited with another status (detail = the status)
    TimedOut,        // killed after the time limit
    TooMuchOutput,   // killed after returning more than the front end accepts
    Stopped,         // killed because stopFd became readable
    NotStarted,      // pipe or fork failed (detail = errno)
  };
  Status status = Status::NotStarted;
  int detail = 0;
  std::string output;
  // What the child printed on its standard error (the first few kilobytes), whatever
  // its end: libraries say there what they found wrong.
  std::string diagnostics;
};

// work runs in the child only; what it returns is sent back whole. The child never
// returns into the caller's code: it ends with _exit, so no destructor or exit handler
// of the parent's objects runs twice. An exception from work ends it with status 70.
// The child dies with the parent. When stopFd (if not -1) becomes readable the child is
// killed at once.
ChildResult RunInChild(const std::function<std::string()>& work, std::chrono::milliseconds limit,
                       int stopFd = -1);

}  // namespace orlindo
