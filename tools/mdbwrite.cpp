// mdbwrite OUT.mdb < tables.json: writes a new Access 2000 database for test fixtures
// and the example. Exit status 0 when written, 1 after an error (no file left), 2 for
// a wrong command line.
#include <iostream>
#include <iterator>
#include <string>

#include "platform/failure.h"
#include "tools/mdb/mdb_writer.h"
#include "tools/mdb/tables_json.h"

namespace {

constexpr const char* kUsage =
    "usage: mdbwrite OUT.mdb < tables.json\n"
    "Writes a new Access 2000 (Jet 4) database from JSON on standard input:\n"
    "  {\"tables\": [{\"name\": \"T_main\",\n"
    "               \"columns\": [{\"name\": \"ID\", \"type\": \"long\"},\n"
    "                           {\"name\": \"svgname\", \"type\": \"text\", \"size\": 255},\n"
    "                           {\"name\": \"note\", \"type\": \"memo\"}],\n"
    "               \"rows\": [[1, \"abc\", null]]}]}\n"
    "Types: long, text (at most 255 characters), memo; null is NULL.\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "-h" || first == "--help") {
    std::cout << kUsage;
    return 0;
  }
  if (argc != 2 || first.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    const std::string input{std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
    if (std::cin.bad()) throw zav::Failure(zav::ErrorKind::Read, "cannot read standard input");
    zav::mdb::WriteDatabase(zav::mdb::ParseTablesJson(input), first);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "mdbwrite: " << e.what() << '\n';
  }
  return 1;
}
