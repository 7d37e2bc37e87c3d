// The plans of a fault-injection sweep (platform/fault_seam.h): a counting run tells
// how many file calls of each kind a program makes; every one of them is then failed
// once with ENOSPC and once with EIO, and every write from one on with ENOSPC, as a
// disk that fills up. ZAV_FAULT_SWEEP_STRIDE=K keeps every Kth of them (the first and
// the last always), for the quick run in the suite; scripts/fault_sweep.sh runs all.
#pragma once

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace zavtest {

// "ZAV_FAULT count: PROGRAM open=3 write=9 ... any=40" lines of `errText`, for PROGRAM.
inline std::map<std::string, unsigned long> FaultCounts(const std::string& errText, const std::string& program) {
  std::map<std::string, unsigned long> counts;
  std::istringstream lines(errText);
  const std::string head = "ZAV_FAULT count: " + program + " ";
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(head, 0) != 0) continue;
    std::istringstream fields(line.substr(head.size()));
    for (std::string field; fields >> field;) {
      const std::size_t equals = field.find('=');
      counts[field.substr(0, equals)] += std::stoul(field.substr(equals + 1));
    }
  }
  return counts;
}

inline unsigned SweepStride(unsigned fallback) {
  const char* text = std::getenv("ZAV_FAULT_SWEEP_STRIDE");
  const unsigned long stride = text != nullptr ? std::strtoul(text, nullptr, 10) : 0;
  return stride > 0 ? static_cast<unsigned>(stride) : fallback;
}

// ZAV_FAULT values for a program that made `counts` calls; `program` empty for every
// program of the run, else "NAME:".
inline std::vector<std::string> FaultPlans(const std::map<std::string, unsigned long>& counts,
                                           const std::string& program, unsigned stride) {
  std::vector<std::string> plans;
  const auto sweep = [&](const std::string& kind, const std::string& suffix, const std::vector<const char*>& errors) {
    const auto found = counts.find(kind);
    const unsigned long total = found == counts.end() ? 0 : found->second;
    for (unsigned long n = 1; n <= total; ++n) {
      if ((n - 1) % stride != 0 && n != total) continue;
      for (const char* error : errors) plans.push_back(program + kind + ":" + std::to_string(n) + suffix + ":" + error);
    }
  };
  sweep("any", "", {"ENOSPC", "EIO"});
  sweep("write", "+", {"ENOSPC"});
  return plans;
}

}  // namespace zavtest
