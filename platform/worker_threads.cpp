#include "platform/worker_threads.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/failure.h"

namespace zav {

unsigned ThreadsFromEnvironment() {
  const char* value = std::getenv("ZAV_THREADS");
  if (value == nullptr || *value == '\0') {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : (cores > kMaxThreads ? kMaxThreads : cores);
  }
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(value, &end, 10);
  if (errno != 0 || *end != '\0' || number < 1 || number > static_cast<long>(kMaxThreads)) {
    throw Failure(ErrorKind::General, std::string("ZAV_THREADS=") + value +
                                          " is not a number of threads from 1 to " +
                                          std::to_string(kMaxThreads));
  }
  return static_cast<unsigned>(number);
}

unsigned WorkersFor(unsigned threads) { return threads <= 1 ? 0 : threads - 1; }

}  // namespace zav
