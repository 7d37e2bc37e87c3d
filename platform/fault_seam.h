// A test seam, not a setting: ZAV_FAULT makes the Nth call of one kind of file
// operation fail as a full or failing disk would, so that a test can walk every
// failure path of a whole build (tests/faults). Every open, write, fsync, rename,
// close and unlink of the file layer asks it first; unset, that costs one test of a
// flag. Nothing a user gains from it: it only breaks things.
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

#include <cstdlib>

namespace zav {

enum class IoCall { Open, Write, Sync, Rename, Close, Unlink };

namespace fault_seam {
int Decide(IoCall call);
}

// 0, or the errno that this call is to fail with.
inline int InjectedFault(IoCall call) {
  static const bool active = std::getenv("ZAV_FAULT") != nullptr;
  return active ? fault_seam::Decide(call) : 0;
}

}  // namespace zav
