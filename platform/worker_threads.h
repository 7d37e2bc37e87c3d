// How many threads a run uses, from ZAV_THREADS: unset or empty means one per core;
// 1 is the sequential writer, all on the main thread. The output does not depend on it.
// zavbuild's run and Orlindo's file steps (the import's writes, the clean-up) read it
// alike, so that one setting makes a whole build sequential.
#pragma once

namespace zav {

inline constexpr unsigned kMaxThreads = 64;

// Failure(General, "ZAV_THREADS=<value> is not a number of threads from 1 to 64") for
// anything else.
unsigned ThreadsFromEnvironment();

// Worker threads for a run of `threads` threads in all: the main thread is one of
// them, since it reads and compresses too whenever it has nothing to write.
unsigned WorkersFor(unsigned threads);

}  // namespace zav
