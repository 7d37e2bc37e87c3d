// The committed example database must be what its JSON gives today: the writer's
// output is the same for the same input, so any difference means it was not remade.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tools/mdb/mdb_writer.h"
#include "tools/mdb/tables_json.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ExampleDefinitions, CommittedDatabaseMatchesItsJson) {
  const std::filesystem::path examples = EXAMPLES_DIR;
  if (!std::filesystem::exists(examples / "definitions.mdb")) GTEST_SKIP() << "no committed database";
  const std::vector<std::uint8_t> expected =
      zav::mdb::BuildDatabase(zav::mdb::ParseTablesJson(ReadFile(examples / "definitions.json")));
  const std::string committed = ReadFile(examples / "definitions.mdb");
  EXPECT_TRUE(committed == std::string(expected.begin(), expected.end()))
      << "examples/definitions.mdb is stale: run examples/make_definitions.sh";
}

}  // namespace
