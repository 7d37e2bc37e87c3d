// zavinspect verify LIB: every structural rule (the reader's), then every symbol's
// block inflated, its CRC-32 and size checked, and its content parsed as XML with an svg
// root. The blocks are shared out among one thread per core, each with its own inflate
// state and parser and fixed buffers, so memory stays flat whatever the library's size;
// the problems are told in file order.
#include <sched.h>

#include <atomic>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "inspect/commands.h"
#include "inspect/console_text.h"
#include "inspect/opened_library.h"
#include "inspect/svg_check.h"
#include "reader/member_reader.h"

namespace zav::inspect {
namespace {

unsigned Cores() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return static_cast<unsigned>(CPU_COUNT(&set));
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

// The first fault of one block's member or content; none when it is sound.
std::optional<std::string> CheckBlock(const reader::Library& library, const reader::Block& block,
                                      std::uint64_t maxContentBytes, reader::MemberReader& member, SvgCheck& svg) {
  try {
    member.Start(library.file, block.MemberAt(), block.length, maxContentBytes);
    svg.Start();
    for (auto piece = member.Next(); !piece.empty(); piece = member.Next()) svg.Feed(piece);
  } catch (const reader::DamagedData& damage) {
    return damage.what();
  }
  return svg.Finish();
}

// Each block's fault, by block number; the first exception of any thread (a read
// error, memory) ends the run and is thrown again here.
std::vector<std::optional<std::string>> CheckBlocks(const reader::Library& library, std::uint64_t maxContentBytes) {
  std::vector<std::optional<std::string>> faults(library.blocks.size());
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::exception_ptr failure;
  std::mutex failureMutex;
  const auto work = [&] {
    try {
      reader::MemberReader member;
      SvgCheck svg;
      for (std::size_t i = next++; i < faults.size() && !stop; i = next++) {
        faults[i] = CheckBlock(library, library.blocks[i], maxContentBytes, member, svg);
      }
    } catch (...) {
      std::lock_guard lock(failureMutex);
      if (!failure) failure = std::current_exception();
      stop = true;
    }
  };
  const std::size_t threads = std::min<std::size_t>(Cores(), std::max<std::size_t>(faults.size(), 1));
  std::vector<std::jthread> helpers;
  for (std::size_t i = 1; i < threads; ++i) helpers.emplace_back(work);
  work();
  helpers.clear();  // joined
  if (failure) std::rethrow_exception(failure);
  return faults;
}

}  // namespace

int RunVerify(const Command& command, std::ostream& out, std::ostream&) {
  const std::string& path = command.operands[0];
  const reader::ReadOptions options = ReadOptionsOf(command);
  const reader::Library library = reader::ReadLibrary(path, options);
  std::vector<reader::Problem> problems = library.problems;
  const std::vector<std::optional<std::string>> faults = CheckBlocks(library, options.maxContentBytes);
  for (std::size_t i = 0; i < faults.size(); ++i) {
    if (faults[i]) problems.push_back({reader::Severity::Problem, BlockWhere(library, i), *faults[i]});
  }
  PrintProblems(out, path, problems);
  std::size_t warnings = 0;
  for (const reader::Problem& problem : problems) warnings += problem.severity == reader::Severity::Warning;
  const std::size_t errors = problems.size() - warnings;
  const std::string symbols = Counted(library.symbols.size(), "symbol");
  if (errors == 0) {
    out << ConsoleText(path) << ": ok: " << symbols << ", " << Counted(warnings, "warning") << '\n';
    return 0;
  }
  out << ConsoleText(path) << ": " << Counted(errors, "problem") << ", " << Counted(warnings, "warning") << " ("
      << symbols << ")\n";
  return 1;
}

}  // namespace zav::inspect
