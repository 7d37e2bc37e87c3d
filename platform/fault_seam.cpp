#include "platform/fault_seam.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

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
Plan plan;
std::once_flag planRead;

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

// KIND:N[+]:ERROR, with PROGRAM: before it where `program` is given. A text it cannot
// read plans nothing: the seam must never be what fails a run.
Plan ParsePlan(std::string_view text, std::string_view program) {
  Plan parsed;
  std::array<std::string_view, 4> parts;
  std::size_t count = 0;
  while (count < parts.size()) {
    const std::size_t colon = text.find(':');
    parts[count++] = text.substr(0, colon);
    if (colon == std::string_view::npos) break;
    text.remove_prefix(colon + 1);
  }
  if (count == 4 && !program.empty()) {
    if (parts[0] != program) return parsed;
    parts = {parts[1], parts[2], parts[3], {}};
    count = 3;
  }
  if (count != 3) return parsed;
  parsed.kind = KindIndex(parts[0]);
  std::string_view number = parts[1];
  parsed.everyLater = number.ends_with('+');
  if (parsed.everyLater) number.remove_suffix(1);
  parsed.call = std::strtoul(std::string(number).c_str(), nullptr, 10);
  parsed.error = parts[2] == "ENOSPC" ? ENOSPC : parts[2] == "EIO" ? EIO : 0;
  parsed.applies = parsed.kind <= kAny && parsed.call > 0 && parsed.error != 0;
  return parsed;
}

void ReadPlan() {
  const char* text = std::getenv("ZAV_FAULT");
  if (text == nullptr) return;
  const std::string_view value(text);
  if (value == "count" || value.starts_with("count:")) {
    if (value.size() > 6) countsPath = value.substr(6);
    std::atexit(PrintCounts);
    return;
  }
  plan = ParsePlan(value, program_invocation_short_name);
}

void ResetCounts() {
  for (auto& count : counts) count = 0;
}

}  // namespace

std::atomic<bool> planned{std::getenv("ZAV_FAULT") != nullptr};

int Decide(IoCall call) {
  std::call_once(planRead, ReadPlan);
  const auto kind = static_cast<std::size_t>(call);
  const unsigned long ofKind = ++counts[kind];
  const unsigned long ofAny = ++counts[kAny];
  if (!plan.applies) return 0;
  if (plan.kind != kAny && plan.kind != kind) return 0;
  const unsigned long number = plan.kind == kAny ? ofAny : ofKind;
  return number == plan.call || (plan.everyLater && number > plan.call) ? plan.error : 0;
}

ScopedPlan::ScopedPlan(std::string_view text) {
  std::call_once(planRead, [] {});  // ZAV_FAULT is not read over the test's plan
  plan = ParsePlan(text, {});
  ResetCounts();
  planned = true;
}

ScopedPlan::~ScopedPlan() {
  planned = false;
  plan = Plan();
  ResetCounts();
}

}  // namespace zav::fault_seam
