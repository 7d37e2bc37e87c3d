// What the reader finds wrong with a library, told as "<where>: <what>". A problem
// makes a library unfit; a warning is an odd case the format allows (a duplicate, a
// line a "|" makes ambiguous) that the toolkit may read otherwise than meant.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace zav::reader {

enum class Severity { Problem, Warning };

struct Problem {
  Severity severity;
  std::string where;  // "header", "block at 42", "index line 7", ...
  std::string what;
};

// A damaged gzip member or content past the size limit, found while it is read; the
// text is the <what> of its problem.
struct DamagedData : std::runtime_error {
  using std::runtime_error::runtime_error;
};

inline bool HasProblems(const std::vector<Problem>& found) {
  for (const Problem& p : found) {
    if (p.severity == Severity::Problem) return true;
  }
  return false;
}

}  // namespace zav::reader
