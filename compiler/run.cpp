#include "compiler/run.h"

#include <new>
#include <string_view>

#include "platform/codepage.h"
#include "platform/failure.h"
#include "platform/name_rules.h"
#include "compiler/file_sink.h"
#include "compiler/folder_scan.h"
#include "compiler/copyright_file.h"
#include "platform/path_text.h"
#include "compiler/checked_io.h"
#include "compiler/progress_channel.h"
#include "platform/worker_threads.h"
#include "platform/version.h"

namespace zav {
namespace {

constexpr std::string_view kBanner = "Zavora SVG Library Compiler";
constexpr std::string_view kUsageLines[] = {
    "",
    "usage:",
    "  zavbuild.exe name source output",
    "where:",
    "  name        - unique library name",
    "  source      - directory where SVG files resides",
    "  destination - an empty exiting folder where library .zavlibsvg will be produced",
    "",
};

// What --help adds after the usage text; the usage text itself stays as the original's.
constexpr std::string_view kHelpLines[] = {
    "options, each given alone:",
    "  --help      - this text",
    "  --version   - the version number",
    "environment:",
    "  ZAV_THREADS  - threads a run uses, 1 to 64 (unset: one per core)",
    "  ZAV_CODEPAGE - code page of text files without a byte-order mark, e.g. 932",
    "                 (unset: UTF-8)",
    "exit status: 0 library made, 1 failure reported, 2 usage text printed,",
    "             128+N ended by signal N (TERM, INT, HUP), unfinished files removed",
    "",
};

void PrintLine(std::ostream& console, std::string_view line) {
  console << line << '\n';
  console.flush();
}

// A lone "--help" or "--version" is read as a request: no user names a library so.
bool IsLoneArgument(const std::vector<std::string>& arguments, std::string_view word) {
  return arguments.size() == 1 && arguments.front() == word;
}

void BuildLibrary(const RunNames& names, const RunOptions& options, unsigned threads) {
  const std::string libraryPath = JoinPathText(names.outputFolder, names.libraryName + ".zavlibsvg");
  RunFile file = CreateLibraryFile(libraryPath);
  FileSink sink(file.fd());
  LibraryWriter library(sink, options.libraryLimitBytes);
  library.WriteHeader();
  library.WriteCopyrightBlock(ReadCopyrightFile(names.sourceFolder));
  // Counted only for a caller that asked: the walk lists every folder a second time.
  ProgressChannel progress = ProgressChannel::FromEnvironment();
  if (progress.Active()) progress.Start(CountDescriptorFiles(names.sourceFolder));
  WriteIndexBlock(names, library, WorkersFor(threads), &progress);
  library.FinishLibrary();
  sink.Flush();
  CommitFile(file, true);  // only a complete library ever carries the final name
}

}  // namespace

int ZavbuildMain(const std::vector<std::string>& arguments, std::ostream& console,
                 const RunOptions& options) {
  if (IsLoneArgument(arguments, "--version")) {
    PrintLine(console, "zavbuild " + std::string(kVersion));
    return kExitDone;
  }
  PrintLine(console, kBanner);
  if (arguments.size() < 3) {
    for (std::string_view line : kUsageLines) PrintLine(console, line);
    if (!IsLoneArgument(arguments, "--help")) return kExitUsage;
    for (std::string_view line : kHelpLines) PrintLine(console, line);
    return kExitDone;
  }
  std::string_view kind;
  std::string message;
  try {
    AnsiCodePage();  // a ZAV_CODEPAGE that cannot be used stops the run before any file
    const unsigned threads = options.threads != 0 ? options.threads : ThreadsFromEnvironment();
    const RunNames names{arguments[0], arguments[1], arguments[2]};
    PrintLine(console, "  compiling...");
    // The name becomes a file name in the output folder and a field of every index
    // line: it must stay one of each.
    if (!IsValidLibraryName(names.libraryName)) {
      throw Failure(ErrorKind::General, "Invalid library name: " + names.libraryName);
    }
    BuildLibrary(names, options, threads);
    PrintLine(console, "  done");
    PrintLine(console, "");
    return kExitDone;
  } catch (const Failure& failure) {
    kind = KindWord(failure.kind);
    message = failure.message;
  } catch (const std::bad_alloc&) {
    kind = "EOutOfMemory";
    message = "Out of memory";
  } catch (const std::exception& error) {
    kind = KindWord(ErrorKind::General);
    message = error.what();
  }
  // One line, whatever a path or name in it holds.
  PrintLine(console, EscapeControlCharacters(std::string(kind) + ": " + message));
  return kExitFailed;
}

}  // namespace zav
