// The index as the scan builds it: the bytes of "LIBSVG.txt", and their gzip member,
// compressed on a thread of its own while the scan goes on, so that compressing the
// index does not wait for the end of the run. The text is kept in pieces of a fixed
// size, shared with the compressor, so it takes its own size in memory and no more.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "compiler/deflater.h"

namespace zav {

class IndexStream {
 public:
  // inBackground false: everything on the calling thread, at TakeMember().
  explicit IndexStream(bool inBackground);
  IndexStream(const IndexStream&) = delete;
  IndexStream& operator=(const IndexStream&) = delete;
  ~IndexStream();  // stops the compressor; the member is dropped

  void AppendLine(const std::string& line);

  // The bytes so far, mark and lines, in order.
  std::vector<std::span<const std::uint8_t>> FilePieces() const;

  // The member of those bytes, once every line is in; EZCompressionError.
  std::vector<std::uint8_t> TakeMember();

 private:
  using Piece = std::shared_ptr<const std::string>;

  void CloseCurrentPiece(bool last);
  void Compress();

  std::vector<Piece> pieces_;  // full pieces, in order
  std::string current_;        // the piece being filled
  bool inBackground_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Piece> toCompress_;
  bool last_ = false;  // no piece will follow
  bool stopping_ = false;
  bool done_ = false;
  std::exception_ptr failure_;
  Deflater deflater_;
  std::vector<std::uint8_t> member_;
  std::thread compressor_;  // last: started when everything above is ready
};

}  // namespace zav
