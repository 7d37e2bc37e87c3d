// Many independent pieces of file work (one folder's files each) spread over the
// threads ZAV_THREADS allows (platform/worker_threads.h). The file work of a build is
// almost all in the kernel, and a folder's entries are changed under that folder's
// lock, so pieces that each keep to a folder of their own run side by side.
#pragma once

#include <cstddef>
#include <functional>

namespace orlindo {

// The threads ZAV_THREADS allows. A value the compiler would refuse gives one: a clean-up
// must not fail over it, and the compiler says what is wrong with it.
unsigned PieceThreads();

// Calls work(0) .. work(count - 1), each once, taken in that order by up to `threads`
// threads (the calling one among them; 0: PieceThreads()). When a piece throws, no
// further piece starts, those running finish, and the exception of the lowest-numbered
// piece that threw is rethrown: the one a single thread would have met first.
void ForEachPiece(std::size_t count, const std::function<void(std::size_t piece)>& work, unsigned threads = 0);

}  // namespace orlindo
