// Reads one table through libmdb and prints what came back; run on damaged files in a
// child process, so that a crash or hang in libmdb is seen from outside.
#include <iostream>

#include "tests/tools/libmdb_reader.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: mdb_probe FILE.mdb TABLE\n";
    return 2;
  }
  const zavtest::ReadBack read = zavtest::ReadWithLibmdb(argv[1], argv[2]);
  if (!read.error.empty()) {
    std::cout << "error: " << read.error << '\n';
    return 1;
  }
  std::cout << "columns: " << read.columns.size() << ", rows: " << read.rows.size() << '\n';
  for (const auto& row : read.rows) {
    for (std::size_t i = 0; i < row.size(); ++i) std::cout << (i ? "|" : "") << row[i];
    std::cout << '\n';
  }
  return 0;
}
