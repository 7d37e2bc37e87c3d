#include "platform/fault_seam.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

namespace zav::fault_seam {
namespace {

constexpr std::array<std::string_view, 6> kKindNames{"open", "write", "fsync", "rename", "close", "unlink"};
constexpr std::size_t kAny = kKindNames.size();

struct Plan {
  bool applies = false;  // a fault is planned for this program
  std::size_t kind = kAny;
  unsigned long call = 0;
  bool everyLater = false;
  int error = 0;
};

// Every kind's count, then all of them together.
std::array<std::atomic<unsigned long>, kKindNames.size() + 1> counts{};
// Where the counts go: standard error, or a file that every program of a run adds to.
std::string countsPath;

std::size_t KindIndex(std::string_view name) {
  for (std::size_t i = 0; i < kKindNames.size(); ++i) {
    if (kKindNames[i] == name) return i;
  }
  return name == "any" ? kAny : kKindNames.size() + 1;
}

void PrintCounts() {
  std::string line = "ZAV_FAULT count: ";
  line += program_invocation_short_name;
  for (std::size_t i = 0; i <= kAny; ++i) {
    line += ' ';
    line += i == kAny ? std::string_view("any") : kKindNames[i];
    line += '=' + std::to_string(counts[i].load());
  }
  line += '\n';
  // Straight to the system: these are no files of the layer's, and must not be counted.
  int fd = STDERR_FILENO;
  if (!countsPath.empty()) fd = ::open(countsPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = ::write(fd, line.data(), line.size());
  if (fd != STDERR_FILENO) ::close(fd);
}

// A text it cannot read plans nothing: the seam must never be what fails a run.
Plan ReadPlan() {
  Plan plan;
  const char* text = std::getenv("ZAV_FAULT");
  if (text == nullptr) return plan;
  std::string_view rest(text);
  if (rest == "count" || rest.starts_with("count:")) {
    if (rest.size() > 6) countsPath = rest.substr(6);
    std::atexit(PrintCounts);
    return plan;
  }
  std::array<std::string_view, 4> parts;
  std::size_t count = 0;
  while (count < parts.size()) {
    const std::size_t colon = rest.find(':');
    parts[count++] = rest.substr(0, colon);
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  if (count == 4) {
    if (parts[0] != program_invocation_short_name) return plan;
    parts = {parts[1], parts[2], parts[3], {}};
    count = 3;
  }
  if (count != 3) return plan;
  plan.kind = KindIndex(parts[0]);
  std::string_view number = parts[1];
  plan.everyLater = number.ends_with('+');
  if (plan.everyLater) number.remove_suffix(1);
  plan.call = std::strtoul(std::string(number).c_str(), nullptr, 10);
  plan.error = parts[2] == "ENOSPC" ? ENOSPC : parts[2] == "EIO" ? EIO : 0;
  plan.applies = plan.kind <= kAny && plan.call > 0 && plan.error != 0;
  return plan;
}

}  // namespace

int Decide(IoCall call) {
  static const Plan plan = ReadPlan();
  const auto kind = static_cast<std::size_t>(call);
  const unsigned long ofKind = ++counts[kind];
  const unsigned long ofAny = ++counts[kAny];
  if (!plan.applies) return 0;
  if (plan.kind != kAny && plan.kind != kind) return 0;
  const unsigned long number = plan.kind == kAny ? ofAny : ofKind;
  return number == plan.call || (plan.everyLater && number > plan.call) ? plan.error : 0;
}

}  // namespace zav::fault_seam
