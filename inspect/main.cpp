// zavinspect COMMAND ...: reads a symbol library back (list, verify, extract, diff,
// preview). Exit status 0 ok, 1 a problem found or a failure, 2 a wrong command line.
#include <exception>
#include <iostream>

#include "inspect/inspect.h"

int main(int argc, char** argv) {
  try {
    const int status = zav::inspect::RunInspect(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    std::cout.flush();
    return std::cout.good() ? status : zav::inspect::kExitProblem;
  } catch (const std::exception& error) {  // the console itself failed
    std::cerr << "zavinspect: " << error.what() << '\n';
  }
  return zav::inspect::kExitProblem;
}
