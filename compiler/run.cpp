#include "compiler/run.h"

#include <new>
#include <string_view>

#include "platform/codepage.h"
#include "platform/failure.h"
#include "compiler/file_sink.h"
#include "compiler/folder_scan.h"
#include "compiler/copyright_file.h"
#include "platform/path_text.h"
#include "compiler/checked_io.h"
#include "compiler/worker_threads.h"

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

void PrintLine(std::ostream& console, std::string_view line) {
  console << line << '\n';
  console.flush();
}

void BuildLibrary(const RunNames& names, const RunOptions& options, unsigned threads) {
  const std::string libraryPath = JoinPathText(names.outputFolder, names.libraryName + ".zavlibsvg");
  PendingFile file = CreateLibraryFile(libraryPath);
  FileSink sink(file.fd());
  LibraryWriter library(sink, options.libraryLimitBytes);
  library.WriteHeader();
  library.WriteCopyrightBlock(ReadCopyrightFile(names.sourceFolder));
  WriteIndexBlock(names, library, WorkersFor(threads));
  library.FinishLibrary();
  sink.Flush();
  CommitFile(file, true);  // only a complete library ever carries the final name
}

}  // namespace

int ZavbuildMain(const std::vector<std::string>& arguments, std::ostream& console,
                 const RunOptions& options) {
  PrintLine(console, kBanner);
  if (arguments.size() < 3) {
    for (std::string_view line : kUsageLines) PrintLine(console, line);
    return kExitUsage;
  }
  std::string_view kind;
  std::string message;
  try {
    AnsiCodePage();  // a ZAV_CODEPAGE that cannot be used stops the run before any file
    const unsigned threads = options.threads != 0 ? options.threads : ThreadsFromEnvironment();
    const RunNames names{arguments[0], arguments[1], arguments[2]};
    PrintLine(console, "  compiling...");
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
  PrintLine(console, std::string(kind) + ": " + message);
  return kExitFailed;
}

}  // namespace zav
