#include "inspect/inspect.h"

#include <new>

#include "inspect/commands.h"
#include "inspect/console_text.h"
#include "inspect/opened_library.h"
#include "platform/failure.h"
#include "platform/version.h"

namespace zav::inspect {

int RunInspect(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  Command command;
  try {
    command = ParseCommandLine(arguments);
  } catch (const UsageError& error) {
    err << "zavinspect: " << ConsoleText(error.what()) << "\nTry 'zavinspect --help'.\n";
    return kExitUsage;
  }
  try {
    switch (command.name) {
      case CommandName::Help:
        out << kHelpText;
        return kExitOk;
      case CommandName::Version:
        out << "zavinspect " << kVersion << '\n';
        return kExitOk;
      case CommandName::List: return RunList(command, out, err);
      case CommandName::Verify: return RunVerify(command, out, err);
      case CommandName::Extract: return RunExtract(command, out, err);
      case CommandName::Diff: return RunDiff(command, out, err);
      case CommandName::Preview: return RunPreview(command, out, err);
    }
  } catch (const AlreadyReported&) {
  } catch (const Failure& failure) {
    err << "zavinspect: " << ConsoleText(failure.message) << '\n';
  } catch (const std::bad_alloc&) {
    err << "zavinspect: out of memory\n";
  } catch (const std::exception& error) {
    err << "zavinspect: " << ConsoleText(error.what()) << '\n';
  }
  return kExitProblem;
}

}  // namespace zav::inspect
