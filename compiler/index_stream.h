// The index as the scan builds it: the bytes of "LIBSVG.txt", and their gzip member,
// compressed on a thread of its own while the scan goes on, so that compressing the
// index does not wait for the end of the run.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "deflater.h"

namespace zav {

class IndexStream {
 public:
  // inBackground false: everything on the calling thread, at TakeMember().
  explicit IndexStream(bool inBackground);
  IndexStream(const IndexStream&) = delete;
  IndexStream& operator=(const IndexStream&) = delete;
  ~IndexStream();  // stops the compressor; the member is dropped

  void AppendLine(const std::string& line);
  const std::string& FileBytes() const { return bytes_; }

  // The member of FileBytes(), once every line is in; EZCompressionError.
  std::vector<std::uint8_t> TakeMember();

 private:
  void HandOver(bool last);
  void Compress();

  std::string bytes_;             // mark and lines so far
  std::size_t handedOver_ = 0;    // bytes_ given to the compressor
  bool inBackground_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> pieces_;  // handed over, not yet compressed
  bool last_ = false;               // no piece will follow
  bool stopping_ = false;
  bool done_ = false;
  std::exception_ptr failure_;
  Deflater deflater_;
  std::vector<std::uint8_t> member_;
  std::thread compressor_;  // last: started when everything above is ready
};

}  // namespace zav
