// A test seam, not a setting: ZAV_FAULT makes the Nth call of one kind of file
// operation fail as a full or failing disk would, so that a test can walk every
// failure path of a whole build (the fault sweep tests). Every open, write, fsync,
// rename, close and unlink of the file layer asks it first; unset, that costs one test
// of a flag. Nothing a user gains from it: it only breaks things.
//
//   ZAV_FAULT=[PROGRAM:]KIND:N[+]:ERROR
//     KIND   open, write, fsync, rename, close, unlink, or any (all of them counted as one)
//     N      the call that fails, from 1; with "+" that one and every later one of KIND
//     ERROR  ENOSPC or EIO
//     PROGRAM  only the program of that name fails (Orlindo or the zavbuild it runs)
//   ZAV_FAULT=count[:FILE]
//     each program prints its calls of each kind when it exits, on standard error or
//     added to FILE (a program whose standard error is captured, the compiler Orlindo
//     runs, included):
//     "ZAV_FAULT count: PROGRAM open=N write=N fsync=N rename=N close=N unlink=N any=N"
#pragma once

#include <atomic>
#include <string_view>

namespace zav {

enum class IoCall { Open, Write, Sync, Rename, Close, Unlink };

namespace fault_seam {

// Whether a plan is in force: ZAV_FAULT at start, or a test's ScopedPlan.
extern std::atomic<bool> planned;
int Decide(IoCall call);

// For a test within one process: the plan that text gives (as ZAV_FAULT, without
// PROGRAM and without counting), counted from now, until the object goes.
class ScopedPlan {
 public:
  explicit ScopedPlan(std::string_view text);
  ~ScopedPlan();
  ScopedPlan(const ScopedPlan&) = delete;
  ScopedPlan& operator=(const ScopedPlan&) = delete;
};

}  // namespace fault_seam

// 0, or the errno that this call is to fail with.
inline int InjectedFault(IoCall call) {
  return fault_seam::planned.load(std::memory_order_relaxed) ? fault_seam::Decide(call) : 0;
}

}  // namespace zav
